#include "common/fake_link.h"
#include "common/sample_images.h"
#include "common/test_main.h"
#include "common/window_rig.h"
#include "ui/colours.h"

#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>

#include <algorithm>

using namespace selvana;
using namespace selvana::testing;
using sim::SimulatorOptions;

namespace {

struct Rig : RunRig {
    // "LOAD", announcement and frame: the configuration is shown and may be written.
    bool read() {
        click("LOAD");
        tick("\nK\r");
        tick(readFrame(sampleProteusX()));
        return run.configurationRead() && host.commands() == QLatin1String("01010");
    }
    qsizetype writeFrames() const {
        return std::count_if(link.writes.begin(), link.writes.end(),
                             [](const QByteArray& w) { return w.startsWith("\nP"); });
    }
};

QString settingsFile() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "SelvanaM", "SelvanaM").fileName();
}

} // namespace

class TestLinkFaults : public QObject {
    Q_OBJECT
private slots:
    // --- the run on its own ---

    void unansweredWriteIsReportedOnce() {
        Rig r;
        QVERIFY(r.read());
        r.click("SAVE");
        QCOMPARE(r.writeFrames(), 1);
        r.tick({}, ProgrammingRun::kWriteAnswerWaitMs - 1);
        QCOMPARE(r.host.prompt, ProgrammingRun::promptSave());
        r.host.preparePanel = false;
        r.tick({}, 1);
        QCOMPARE(r.host.prompt, ProgrammingRun::promptNoAnswer());
        QVERIFY(r.host.prompt.contains(QStringLiteral("Fine lavoro")));
        QVERIFY(r.host.preparePanel);
        // Nothing else changes: the port stays open for a late answer and only END is offered.
        QVERIFY(r.link.isOpen());
        QVERIFY(r.run.tmrClock().isActive());
        QCOMPARE(r.host.commands(), QStringLiteral("00010"));
        QCOMPARE(r.writeFrames(), 1);
        r.host.prompt.clear();
        r.tick();
        QVERIFY(r.host.prompt.isEmpty()); // said once
    }

    void lateAnswerStillCounts_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<bool>("open");
        QTest::newRow("A") << QByteArray("\nA\r") << ProgrammingRun::promptWritten() << false;
        QTest::newRow("N") << QByteArray("\nN\r") << ProgrammingRun::promptRefused() << true;
    }
    void lateAnswerStillCounts() {
        QFETCH(QByteArray, answer);
        Rig r;
        QVERIFY(r.read());
        r.click("SAVE");
        r.tick({}, ProgrammingRun::kWriteAnswerWaitMs + 2000);
        QCOMPARE(r.host.prompt, ProgrammingRun::promptNoAnswer());
        r.tick(answer);
        QTEST(r.host.prompt, "prompt");
        QTEST(r.link.isOpen(), "open");
    }

    void endAfterUnansweredWriteReturnsToIdle() {
        Rig r;
        QVERIFY(r.read());
        r.click("SAVE");
        r.tick({}, ProgrammingRun::kWriteAnswerWaitMs);
        r.click("END");
        QVERIFY(!r.link.isOpen());
        QVERIFY(!r.run.tmrClock().isActive());
        QCOMPARE(r.host.commands(), QStringLiteral("10111"));
        QVERIFY(!r.host.ended);
        // A new run starts with no write pending.
        QVERIFY(r.read());
        r.tick({}, 2 * ProgrammingRun::kWriteAnswerWaitMs);
        QCOMPARE(r.host.commands(), QStringLiteral("01010"));
    }

    void portLostDuringWriteSaysTheWriteIsUncertain_data() {
        QTest::addColumn<bool>("writing");
        QTest::newRow("while reading") << false;
        QTest::newRow("while a write awaits its answer") << true;
    }
    void portLostDuringWriteSaysTheWriteIsUncertain() {
        QFETCH(bool, writing);
        Rig r;
        QVERIFY(r.read());
        if (writing)
            r.click("SAVE");
        r.link.failure_ = PortError{PortError::Kind::Lost, QStringLiteral("/dev/fake1"),
                                    QStringLiteral("Collegamento interrotto.")};
        r.link.close();
        r.tick();
        QCOMPARE(r.host.prompt.startsWith(QStringLiteral("Collegamento interrotto.")), true);
        QCOMPARE(r.host.prompt.endsWith(ProgrammingRun::promptWriteUnknown()), writing);
        QCOMPARE(r.host.commands(), QStringLiteral("10111"));
    }

    // Found by fuzzing: a peripheral that announced itself again after its configuration was
    // read (restarted, or another one plugged in) kept SAVE available for the old configuration.
    void newAnnouncementNeedsNewRead() {
        Rig r;
        QVERIFY(r.read());
        r.tick("\nW\r");
        QVERIFY(!r.run.configurationRead());
        r.tick(readFrame(sampleSicep()));
        QVERIFY(r.run.configurationRead());
        QVERIFY(r.state.ConfigImage == sampleSicep());
    }

    // Found by fuzzing: after a SAVE that sent nothing (a field out of range), a stray "A" was
    // taken for the answer and reported success, and a new frame was ignored.
    void answerWithoutWriteIsNoSuccess_data() {
        QTest::addColumn<bool>("refusedFirst");
        QTest::newRow("after a field error") << false;
        QTest::newRow("after a refusal") << true;
    }
    void answerWithoutWriteIsNoSuccess() {
        QFETCH(bool, refusedFirst);
        Rig r;
        QVERIFY(r.read());
        if (refusedFirst) {
            r.click("SAVE");
            r.tick("\nN\r");
            QCOMPARE(r.host.prompt, ProgrammingRun::promptRefused());
        } else {
            r.host.collectError = FieldError::outOfRange(QStringLiteral("txtTempoSirena"),
                                                         QStringLiteral("Tempo Sirena (s)"));
            r.click("SAVE");
            QCOMPARE(r.writeFrames(), 0);
        }
        const QString prompt = r.host.prompt;
        const QString commands = r.host.commands();
        r.tick("\nA\r");
        QCOMPARE(r.host.prompt, prompt);
        QCOMPARE(r.host.commands(), commands);
        QVERIFY(r.link.isOpen());
        QVERIFY(r.run.tmrClock().isActive());
    }

    void frameAfterFieldErrorIsShown() {
        Rig r;
        QVERIFY(r.read());
        r.host.collectError = FieldError::outOfRange(QStringLiteral("txtTempoSirena"),
                                                     QStringLiteral("Tempo Sirena (s)"));
        r.click("SAVE");
        r.tick("\nK\r");
        r.tick(readFrame(sampleSicep()));
        QVERIFY(r.state.ConfigImage == sampleSicep());
        QVERIFY(r.run.configurationRead());
        r.host.collectError.reset();
        r.click("SAVE");
        QCOMPARE(r.writeFrames(), 1);
    }

    // Found by fuzzing: SAVE between a port failure and the next tick reported the field error
    // and left the run showing a configuration on a closed port.
    void saveAfterPortFailureGoesIdle() {
        Rig r;
        QVERIFY(r.read());
        r.link.failure_ = PortError{PortError::Kind::Lost, QStringLiteral("/dev/fake1"),
                                    QStringLiteral("Collegamento interrotto")};
        r.link.close();
        r.host.collectError = FieldError::outOfRange(QStringLiteral("txtTempoSirena"),
                                                     QStringLiteral("Tempo Sirena (s)"));
        r.click("SAVE");
        QCOMPARE(r.host.prompt, QStringLiteral("Collegamento interrotto"));
        QVERIFY(r.host.reported.isEmpty());
        QVERIFY(!r.run.tmrClock().isActive());
        QCOMPARE(r.host.commands(), QStringLiteral("10111"));
        QCOMPARE(r.writeFrames(), 0);
    }

    // --- end to end: the window, the serial layer and a simulated peripheral ---

    void deviceVanishesMidFrame() {
        SimulatorOptions o;
        o.faults.vanish = true;
        WindowRig r(o);
        r.click("LOAD");
        r.peripheral->pressReset();
        QTRY_VERIFY(r.peripheral->state() == sim::PeripheralSimulator::State::Gone);
        QTRY_VERIFY_WITH_TIMEOUT(!r.window->run().tmrClock().isActive(), 3000);
        QVERIFY(r.prompt().startsWith(QStringLiteral("Collegamento interrotto")));
        QVERIFY(r.prompt().contains(QStringLiteral("ripetere la lettura")));
        QVERIFY(r.panelVisible("frmPrepare"));
        QVERIFY(!r.link.isOpen());
        QCOMPARE(r.commands(), QStringLiteral("10111"));
        QVERIFY(r.state.ConfigImage == Image{}); // the part that arrived was not taken
        r.click("END");
        QVERIFY(!r.ended);
        QVERIFY(r.panelVisible("framePresentation"));
        QCOMPARE(r.commands(), QStringLiteral("10111"));
    }

    void deviceVanishesWhileWriteAwaitsAnswer() {
        SimulatorOptions o;
        o.faults.ignoreWrites = true;
        WindowRig r(o);
        QVERIFY(r.read());
        r.click("SAVE");
        QTRY_VERIFY(r.received.endsWith(buildWriteFrame(r.state.SaveImage)));
        r.peripheral->vanish();
        QTRY_VERIFY_WITH_TIMEOUT(!r.window->run().tmrClock().isActive(), 3000);
        QVERIFY(r.prompt().startsWith(QStringLiteral("Collegamento interrotto")));
        QVERIFY(r.prompt().endsWith(ProgrammingRun::promptWriteUnknown()));
        QVERIFY(!r.link.isOpen());
        QCOMPARE(r.commands(), QStringLiteral("10111"));
    }

    void silentPeripheral() {
        SimulatorOptions o;
        o.faults.silent = true;
        WindowRig r(o);
        r.click("LOAD");
        r.peripheral->pressReset();
        QList<std::uint32_t> colours;
        const auto seen = QObject::connect(&r.window->run().tmrClock(), &QTimer::timeout, [&] {
            colours << foreColor(r.window->findChild<QLabel*>("lblPrepare"));
        });
        QTRY_VERIFY_WITH_TIMEOUT(colours.size() >= 3, 3000);
        QObject::disconnect(seen);
        QVERIFY(colours.contains(ProgrammingRun::kRed));
        QVERIFY(colours.contains(ProgrammingRun::kRed ^ ProgrammingRun::kBlinkMask));
        QCOMPARE(r.prompt(), ProgrammingRun::promptLoad());
        QCOMPARE(r.commands(), QStringLiteral("00010"));
        QVERIFY(r.peripheral->portOpen());
        QVERIFY(r.received.isEmpty());
        r.click("END");
        QVERIFY(!r.link.isOpen());
        QTRY_VERIFY(!r.peripheral->portOpen());
        QCOMPARE(r.commands(), QStringLiteral("10111"));
        QVERIFY(!r.ended);
    }

    void babblingPeripheral_data() {
        QTest::addColumn<bool>("noise");
        QTest::addColumn<bool>("garbage");
        QTest::newRow("lines of garbage") << false << true;
        QTest::newRow("garbage and bytes without line feeds") << true << true;
    }
    void babblingPeripheral() {
        QFETCH(bool, noise);
        QFETCH(bool, garbage);
        SimulatorOptions o;
        o.faults.noise = noise;
        o.faults.garbage = garbage;
        o.seed = 8;
        WindowRig r(o);
        // A burst in the same tick as a message drops both, as any unknown line does; the
        // prompt still asks for RESET, so the installer presses it again.
        bool shown = false;
        for (int attempt = 0; attempt < 8 && !shown; ++attempt) {
            if (attempt > 0)
                r.click("END");
            shown = r.read(2500);
        }
        QVERIFY(shown);
        QVERIFY(r.state.ConfigImage == r.peripheral->image());
        QVERIFY(r.received.size() % 6 == 0);
        QCOMPARE(r.received, QByteArray("\nA\r\nX\r").repeated(r.received.size() / 6));
        r.received.clear();
        // The answer can be lost the same way: then the installer is told there was none.
        r.click("SAVE");
        QTRY_VERIFY_WITH_TIMEOUT(r.prompt() == ProgrammingRun::promptWritten() ||
                                     r.prompt() == ProgrammingRun::promptNoAnswer(),
                                 ProgrammingRun::kWriteAnswerWaitMs + 3000);
        if (r.prompt() == ProgrammingRun::promptNoAnswer())
            r.click("END");
        QCOMPARE(r.received, buildWriteFrame(r.state.SaveImage));
        QVERIFY(r.peripheral->image() == r.state.SaveImage);
        QVERIFY(!r.link.isOpen());
        QTRY_VERIFY(!r.peripheral->portOpen());
    }

    void frameCutShort() {
        WindowRig r;
        QVERIFY(r.read());
        QCOMPARE(r.commands(), QStringLiteral("01010"));
        // The peripheral is reset and its frame breaks off: the configuration shown is no
        // longer the connected peripheral's, so it may not be written.
        sim::SimulatorFaults cut;
        cut.cutFrame = true;
        r.peripheral->setFaults(cut);
        r.peripheral->pressReset();
        QTRY_COMPARE_WITH_TIMEOUT(r.prompt(), ProgrammingRun::promptIncomplete(),
                                  LinkReceiver::kFrameWaitMs + 2000);
        QVERIFY(r.prompt().contains(QStringLiteral("RESET")));
        QVERIFY(r.panelVisible("frmPrepare"));
        QCOMPARE(r.commands(), QStringLiteral("00010"));
        QVERIFY(r.link.isOpen());
        QVERIFY(r.window->run().tmrClock().isActive());
        // RESET again with a good cable reads it.
        r.peripheral->setFaults({});
        r.peripheral->pressReset();
        QTRY_VERIFY(!r.panelVisible("frmPrepare"));
        QTRY_COMPARE(r.commands(), QStringLiteral("01010"));
        QVERIFY(r.write());
        QCOMPARE(r.prompt(), ProgrammingRun::promptWritten());
    }

    void writeAnsweredByNothing() {
        SimulatorOptions o;
        o.faults.ignoreWrites = true;
        WindowRig r(o);
        QVERIFY(r.read());
        QElapsedTimer waited;
        waited.start();
        r.click("SAVE");
        QCOMPARE(r.prompt(), ProgrammingRun::promptSave());
        // Covering the editor made its boxes check themselves, which turned SAVE back on.
        QCOMPARE(r.commands(), QStringLiteral("00010"));
        QTRY_COMPARE_WITH_TIMEOUT(r.prompt(), ProgrammingRun::promptNoAnswer(),
                                  ProgrammingRun::kWriteAnswerWaitMs + 3000);
        QVERIFY(waited.elapsed() >= ProgrammingRun::kWriteAnswerWaitMs);
        QVERIFY(r.panelVisible("frmPrepare"));
        QCOMPARE(r.commands(), QStringLiteral("00010"));
        QVERIFY(r.link.isOpen());
        QVERIFY(r.window->run().tmrClock().isActive());
        r.click("END");
        QVERIFY(!r.link.isOpen());
        QTRY_VERIFY(!r.peripheral->portOpen());
        QCOMPARE(r.commands(), QStringLiteral("10111"));
        QVERIFY(!r.ended);
    }

    // --- a stored port setting that makes no sense ---

    void hostileStoredPort_data() {
        QTest::addColumn<QByteArray>("ini");
        const QByteArray digits(1 << 20, '9');
        QTest::newRow("not a number") << QByteArray("[CONFIG]\nPort=COM1\n");
        QTest::newRow("out of range") << QByteArray("[CONFIG]\nPort=5\n");
        QTest::newRow("negative") << QByteArray("[CONFIG]\nPort=-1\n");
        QTest::newRow("wraps to 1 in 16 bits") << QByteArray("[CONFIG]\nPort=65537\n");
        QTest::newRow("a megabyte of digits") << "[CONFIG]\nPort=" + digits + "\n";
        QTest::newRow("a list") << QByteArray("[CONFIG]\nPort=1, 2\n");
        QTest::newRow("a serialised value")
            << QByteArray("[CONFIG]\nPort=@Variant(\\0\\x1\\xff)\n");
        QTest::newRow("binary bytes")
            << "[CONFIG]\nPort=" + QByteArray::fromHex("01fe80000120") + "\n";
        QTest::newRow("no INI at all") << QByteArray::fromHex("fffe0000ff0a5b5b5b3d0a00");
    }
    void hostileStoredPort() {
        QFETCH(QByteArray, ini);
        sim::PtyPair pty;
        QVERIFY(pty.open());
        sim::PeripheralSimulator peripheral(pty, {});
        QSettings(QSettings::IniFormat, QSettings::UserScope, "SelvanaM", "SelvanaM").clear();
        {
            QFile file(settingsFile());
            QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(ini);
            file.write("\n[CONFIG]\nDevice1=" + pty.slavePath().toLocal8Bit() + "\n");
        }
        ProgramState state;
        QtSerialLink link;
        SettingsStore settings;
        RecordingDialogs dialogs;
        QTemporaryDir folder;
        bool ended = false;
        MainWindow window(state, link, settings, dialogs, folder.path());
        window.setEndProgram([&] { ended = true; });
        window.show();

        // As if no port had been chosen.
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
        window.command(QStringLiteral("CONFIG"))->trigger();
        QCOMPARE(state.PortNumber, 1);
        QCOMPARE(settings.storedPortNumber(), 1);
        QVERIFY(window.command(QStringLiteral("LOAD"))->isEnabled());
        window.command(QStringLiteral("LOAD"))->trigger();
        QVERIFY(link.isOpen());
        peripheral.pressReset();
        QTRY_COMPARE(state.record.SerialNumber, peripheral.serialNumber());
        window.command(QStringLiteral("END"))->trigger();
        QVERIFY(!link.isOpen());
        QVERIFY(!ended);
    }
};

SELVANA_TEST_MAIN(TestLinkFaults)
#include "tst_link_faults.moc"
