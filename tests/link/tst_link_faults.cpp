#include "cli/peripheral_rig.h"
#include "common/sample_images.h"
#include "common/test_main.h"
#include "common/window_rig.h"
#include "core/fields/write_verification.h"
#include "ui/colours.h"

#include <QComboBox>
#include <QDialog>
#include <QPushButton>

using namespace selvana;
using namespace selvana::testing;
using sim::SimulatorOptions;

namespace {

// The faults a peripheral or its cable can show, each on the simulator.
struct Fault {
    const char* name;
    void (*set)(SimulatorOptions&);
    const char* verdict; // what both front ends must conclude
    // With a read-back after the write; pressed: RESET comes again when asked.
    bool verify = false;
    bool pressedAgain = true;
};

const Fault kFaults[] = {
    {"noise before every message", [](SimulatorOptions& o) { o.faults.noise = true; }, "written"},
    {"frame split over ticks", [](SimulatorOptions& o) { o.faults.splitFrame = true; }, "written"},
    {"lines of garbage",
     [](SimulatorOptions& o) {
         o.faults.garbage = true;
         o.faults.noise = true;
     },
     "written"},
    {"frame cut short", [](SimulatorOptions& o) { o.faults.cutFrame = true; }, "incomplete"},
    {"no answer to the write", [](SimulatorOptions& o) { o.faults.ignoreWrites = true; },
     "no answer"},
    {"write refused", [](SimulatorOptions& o) { o.faults.refuseWrites = true; }, "refused"},
    {"port lost mid-frame", [](SimulatorOptions& o) { o.faults.vanish = true; }, "port lost"},
    {"port lost mid-write", [](SimulatorOptions& o) { o.faults.ignoreWrites = true; },
     "port lost during the write"},
    {"written, read back", [](SimulatorOptions&) {}, "verified", true},
    {"stored imperfectly, read back", [](SimulatorOptions& o) { o.faults.imperfectStore = true; },
     "differs", true},
    {"written, not read back", [](SimulatorOptions&) {}, "not verified", true, false},
};

bool storesTheWrite(const Fault& fault) {
    return fault.verify || qstrcmp(fault.verdict, "written") == 0;
}

const Fault& faultNamed(const QString& name) {
    for (const Fault& fault : kFaults)
        if (name == QLatin1String(fault.name))
            return fault;
    qFatal("no fault %s", qPrintable(name));
}

bool losesPortMidWrite(const Fault& fault) {
    return qstrcmp(fault.name, "port lost mid-write") == 0;
}

// A peripheral whose device goes away the moment a write frame reaches it.
void vanishOnWrite(sim::PeripheralSimulator& peripheral) {
    QObject::connect(&peripheral, &sim::PeripheralSimulator::received, &peripheral,
                     [&peripheral](const QByteArray& bytes) {
                         if (bytes.contains("\nP"))
                             QTimer::singleShot(0, &peripheral,
                                                [&peripheral] { peripheral.vanish(); });
                     });
}

// The window's verdict, from the prompt it ends with.
QString windowVerdict(WindowRig& r) {
    const QString prompt = r.prompt();
    if (prompt == verificationText({Verification::Verified, {}}))
        return QStringLiteral("verified");
    if (prompt.startsWith(QStringLiteral("Verifica non riuscita")))
        return QStringLiteral("differs");
    if (prompt.startsWith(QStringLiteral("Non verificata")))
        return QStringLiteral("not verified");
    if (prompt == ProgrammingRun::promptWritten())
        return QStringLiteral("written");
    if (prompt == ProgrammingRun::promptRefused())
        return QStringLiteral("refused");
    if (prompt == ProgrammingRun::promptNoAnswer())
        return QStringLiteral("no answer");
    if (prompt == ProgrammingRun::promptIncomplete())
        return QStringLiteral("incomplete");
    if (prompt.startsWith(QStringLiteral("Collegamento interrotto")))
        return prompt.endsWith(ProgrammingRun::promptWriteUnknown())
                   ? QStringLiteral("port lost during the write")
                   : QStringLiteral("port lost");
    return QStringLiteral("still waiting: ") + prompt;
}

// The command line's verdict, from its result line, messages and exit status.
QString commandLineVerdict(const CliRun& cli, int status) {
    const QString out = cli.out();
    if (status == 0 && out.contains(QStringLiteral(" OK: ")) &&
        out.contains(QStringLiteral("Verifica riuscita")))
        return QStringLiteral("verified");
    if (status == 16 && out.contains(QStringLiteral(" DIVERSA: ")))
        return QStringLiteral("differs");
    if (status == 17 && out.contains(QStringLiteral(" NON_VERIFICATA: ")))
        return QStringLiteral("not verified");
    if (status == 0 && out.contains(QStringLiteral(" OK: ")))
        return QStringLiteral("written");
    if (status == 7 && out.contains(QStringLiteral(" RIFIUTATA: ")))
        return QStringLiteral("refused");
    if (status == 8 && out.contains(QStringLiteral(" NESSUNA_RISPOSTA: ")))
        return QStringLiteral("no answer");
    if (status == 4 && cli.err().contains(QStringLiteral("Configurazione ricevuta incompleta")))
        return QStringLiteral("incomplete");
    if (status == 3 && out.contains(QStringLiteral(" ERRORE_PORTA: ")) &&
        out.contains(QStringLiteral("potrebbe non essere avvenuta")))
        return QStringLiteral("port lost during the write");
    if (status == 3 && cli.err().contains(QStringLiteral("Collegamento interrotto")))
        return QStringLiteral("port lost");
    return QStringLiteral("status %1: %2 %3").arg(status).arg(out, cli.err());
}

} // namespace

class TestLinkFaults : public QObject {
    Q_OBJECT

    QTemporaryDir files;

private slots:
    void init() {
        QSettings(QSettings::IniFormat, QSettings::UserScope, "SelvanaM", "SelvanaM").clear();
    }

    // Every fault, through the one session, gives the window and the command line the same
    // verdict: "LOAD", RESET and "Programmazione" in one, "write" in the other.
    void sameVerdictInBothFrontEnds_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("window");
        QTest::addColumn<QString>("verdict");
        for (const Fault& fault : kFaults) {
            for (bool window : {true, false})
                QTest::addRow("%s, %s", fault.name, window ? "window" : "command line")
                    << QString::fromLatin1(fault.name) << window
                    << QString::fromLatin1(fault.verdict);
        }
    }
    void sameVerdictInBothFrontEnds() {
        QFETCH(QString, fault);
        QFETCH(bool, window);
        const Fault& f = faultNamed(fault);
        SimulatorOptions options;
        options.announce = 'K';
        options.seed = 8;
        f.set(options);
        const bool written = storesTheWrite(f);
        if (window) {
            WindowRig r(options, {}, {}, true,
                        {{QStringLiteral("Verifica"), f.verify ? QStringLiteral("1") : QString()}});
            if (losesPortMidWrite(f))
                vanishOnWrite(*r.peripheral);
            int stored = 0;
            QObject::connect(r.peripheral.get(), &sim::PeripheralSimulator::imageStored,
                             [&stored] { ++stored; });
            const Image before = r.peripheral->image();
            r.click(Command::Load);
            r.peripheral->pressReset();
            const auto settled = [&r] {
                return r.window->run().configurationRead() ||
                       !windowVerdict(r).startsWith(QStringLiteral("still"));
            };
            QTRY_VERIFY(settled());
            if (r.window->run().configurationRead()) {
                QTRY_VERIFY(!r.panelVisible("frmPrepare"));
                QVERIFY(r.state.ConfigImage == before);
                r.received.clear();
                r.click(Command::Save);
                QVERIFY(r.received.isEmpty() || r.received.startsWith("\nP"));
                if (f.verify) {
                    QTRY_COMPARE(r.prompt(), readBackPrompt());
                    if (f.pressedAgain)
                        r.peripheral->pressReset();
                }
                QTRY_VERIFY(!windowVerdict(r).startsWith(QStringLiteral("still")));
                QVERIFY(r.received.startsWith(buildWriteFrame(r.state.SaveImage)));
            }
            QTEST(windowVerdict(r), "verdict");
            QCOMPARE(stored, written ? 1 : 0);
            QVERIFY(written || r.peripheral->image() == before);
            return;
        }
        SimulatedPeripheral p;
        QVERIFY(p.start(options));
        if (losesPortMidWrite(f))
            vanishOnWrite(*p.sim);
        const Image before = p.sim->image();
        const QString site = writeFile(files.filePath(QStringLiteral("impianto.con")),
                                       conf::fileContent(1, 0, assembled(sampleProteusX())));
        CliRun cli;
        p.answerPrompts(cli);
        if (!f.pressedAgain)
            cli.whenAsked = [&p](int n) {
                if (n == 1)
                    p.pressResetWhenOpen();
            };
        // The limit ends the wait after an incomplete frame; the first RESET comes at once.
        QStringList args{QStringLiteral("write"),     site,
                         QStringLiteral("--port"),    p.device(),
                         QStringLiteral("--timeout"), QStringLiteral("0,3")};
        if (f.verify)
            args << QStringLiteral("--verifica");
        const int status = cli.run(args);
        QTEST(commandLineVerdict(cli, status), "verdict");
        QCOMPARE(p.stored.size(), written ? 1 : 0);
        QVERIFY(written || p.sim->image() == before);
    }

    // After an incomplete frame, RESET again with a good cable reads and writes.
    void resetAgainAfterACutFrame() {
        WindowRig r;
        QVERIFY(r.read());
        sim::SimulatorFaults cut;
        cut.cutFrame = true;
        r.peripheral->setFaults(cut);
        r.peripheral->pressReset();
        QTRY_COMPARE(r.prompt(), ProgrammingRun::promptIncomplete());
        // The configuration shown is no longer the connected peripheral's.
        QCOMPARE(r.commands(), QStringLiteral("00010"));
        QVERIFY(r.panelVisible("frmPrepare"));
        QVERIFY(r.link.isOpen());
        r.peripheral->setFaults({});
        r.peripheral->pressReset();
        QTRY_VERIFY(!r.panelVisible("frmPrepare"));
        QTRY_COMPARE(r.commands(), QStringLiteral("01010"));
        QVERIFY(r.write());
        QCOMPARE(r.prompt(), ProgrammingRun::promptWritten());
    }

    // A silent peripheral: the prompt blinks, only END is offered, and END leaves.
    void silentPeripheral() {
        SimulatorOptions o;
        o.faults.silent = true;
        WindowRig r(o);
        r.click(Command::Load);
        r.peripheral->pressReset();
        QList<std::uint32_t> colours;
        const auto seen = QObject::connect(&r.window->run().tmrClock(), &QTimer::timeout, [&] {
            colours << foreColor(r.window->findChild<QLabel*>("lblPrepare"));
        });
        QTRY_VERIFY(colours.size() >= 3);
        QObject::disconnect(seen);
        QVERIFY(colours.contains(ProgrammingRun::kRed));
        QVERIFY(colours.contains(ProgrammingRun::kRed ^ ProgrammingRun::kBlinkMask));
        QCOMPARE(r.prompt(), ProgrammingRun::promptLoad());
        QCOMPARE(r.commands(), QStringLiteral("00010"));
        QVERIFY(r.peripheral->portOpen());
        QVERIFY(r.received.isEmpty());
        r.click(Command::End);
        QVERIFY(!r.link.isOpen());
        QTRY_VERIFY(!r.peripheral->portOpen());
        QCOMPARE(r.commands(), QStringLiteral("10111"));
        QVERIFY(!r.ended);
    }

    // The window after a fault: END returns to idle, the port closed.
    void endAfterAFault_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("no answer") << "no answer to the write";
        QTest::newRow("port lost mid-frame") << "port lost mid-frame";
    }
    void endAfterAFault() {
        QFETCH(QString, fault);
        SimulatorOptions options;
        faultNamed(fault).set(options);
        WindowRig r(options);
        r.click(Command::Load);
        r.peripheral->pressReset();
        QTRY_VERIFY(r.window->run().configurationRead() || !r.window->run().portOpen());
        if (r.window->run().configurationRead()) {
            r.click(Command::Save);
            QTRY_COMPARE(r.prompt(), ProgrammingRun::promptNoAnswer());
            // The port stays open so a late answer still counts; only END is offered.
            QVERIFY(r.link.isOpen());
            QCOMPARE(r.commands(), QStringLiteral("00010"));
        } else {
            QVERIFY(r.state.ConfigImage == Image{}); // the part that arrived was not taken
            QCOMPARE(r.commands(), QStringLiteral("10111"));
        }
        r.click(Command::End);
        QVERIFY(!r.ended);
        QVERIFY(!r.link.isOpen());
        QVERIFY(r.panelVisible("framePresentation"));
        QCOMPARE(r.commands(), QStringLiteral("10111"));
        if (r.peripheral->state() != sim::PeripheralSimulator::State::Gone)
            QTRY_VERIFY(!r.peripheral->portOpen());
    }

    // A stored port that makes no sense starts the window as if none had been chosen; the
    // port window's choice then works. (Every such setting is read in tst_port_slots.)
    void hostileStoredPort() {
        sim::PtyPair pty;
        QVERIFY(pty.open());
        sim::PeripheralSimulator peripheral(pty, {});
        {
            QSettings file(QSettings::IniFormat, QSettings::UserScope, "SelvanaM", "SelvanaM");
            file.setValue(QStringLiteral("CONFIG/Port"), QStringLiteral("COM1"));
            file.setValue(QStringLiteral("CONFIG/Device1"), pty.slavePath());
        }
        ProgramState state;
        SystemSerialLink link;
        SettingsStore settings;
        RecordingDialogs dialogs;
        QTemporaryDir folder;
        bool ended = false;
        MainWindow window(state, link, settings, dialogs, folder.path());
        window.run().setTiming(testTiming());
        window.setEndProgram([&] { ended = true; });
        window.show();

        QCOMPARE(state.PortNumber, 0);
        QString commands;
        for (const char* key : {"LOAD", "SAVE", "RETI", "END", "CONFIG"})
            commands += window.command(QLatin1String(key))->isEnabled() ? '1' : '0';
        QCOMPARE(commands, QStringLiteral("00011"));
        QVERIFY(!window.findChild<QWidget*>("framePresentation")->isHidden());
        QVERIFY(!link.isOpen());

        // The port window starts with nothing chosen, and its choice is what counts then.
        dialogs.onModal = [](QDialog& portWindow) {
            auto* ports = portWindow.findChild<QComboBox*>("cmbPorte");
            QCOMPARE(ports->currentIndex(), -1);
            ports->setCurrentIndex(0);
            portWindow.findChild<QPushButton*>("cmdOK")->click();
        };
        window.command(Command::Config)->trigger();
        QCOMPARE(state.PortNumber, 1);
        QCOMPARE(settings.storedPortNumber(), 1);
        QVERIFY(window.command(Command::Load)->isEnabled());
        window.command(Command::Load)->trigger();
        QVERIFY(link.isOpen());
        peripheral.pressReset();
        QTRY_COMPARE(state.record.SerialNumber, peripheral.serialNumber());
        window.command(Command::End)->trigger();
        QVERIFY(!link.isOpen());
        QVERIFY(!ended);
    }
};

SELVANA_TEST_MAIN(TestLinkFaults)
#include "tst_link_faults.moc"
