#include "cli/command_line.h"
#include "cli/exit_status.h"
#include "cli/peripheral_rig.h"
#include "common/sample_images.h"
#include "common/test_main.h"
#include "common/window_rig.h"
#include "register_rig.h"
#include "registry/installer.h"
#include "registry/programming_register.h"
#include "registry/register_sync.h"
#include "registry/unit_register.h"

#include <QDialog>
#include <QLineEdit>
#include <QTableWidget>

using namespace selvana;
using namespace selvana::testing;
using registry::Outcome;
using registry::UnitRecord;

Q_DECLARE_METATYPE(selvana::registry::Outcome)

namespace {

constexpr quint32 kFirst = 0x1111000A;
constexpr quint32 kSecond = 0x2222000B;

// How a simulated peripheral ends a write.
enum class Ending { Accepts, Refuses, Silent, Vanishes };

sim::SimulatorOptions peripheralOptions(quint32 serial, Ending ending) {
    sim::SimulatorOptions options;
    options.announce = 'K';
    options.image = peripheralImage(sampleProteusX(), serial);
    options.faults.refuseWrites = ending == Ending::Refuses;
    options.faults.ignoreWrites = ending == Ending::Silent || ending == Ending::Vanishes;
    return options;
}

// The device disappears as soon as a write frame reaches it.
void vanishOnWrite(sim::PeripheralSimulator& sim) {
    QObject::connect(&sim, &sim::PeripheralSimulator::received, &sim,
                     [&sim](const QByteArray& bytes) {
                         if (bytes.contains("\nP"))
                             QTimer::singleShot(0, &sim, [&sim] { sim.vanish(); });
                     });
}

QList<UnitRecord> recordsIn(const QString& path) {
    registry::RegisterError error;
    auto reg = registry::UnitRegister::openFile(path, &error);
    QList<UnitRecord> out;
    if (!reg || reg->records({}, out))
        qWarning("the register %s does not read", qPrintable(path));
    return out;
}

// The configuration file the sample peripheral's own configuration makes.
QByteArray sampleFile() {
    return conf::fileContent(1, 0, assembled(peripheralImage(sampleProteusX(), kFirst)));
}

} // namespace

// The register around the writes of both front ends: what each outcome leaves in it, and the
// duplicate guard of the window and of the command line against simulated peripherals.
class TestRegisterWrites : public QObject {
    Q_OBJECT

    QTemporaryDir files;

private slots:
    void initTestCase() { qRegisterMetaType<Outcome>(); }

    void recordingOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error"); // part of the reason; empty: accepted
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<bool>("force");
        QTest::newRow("write with site and zone")
            << QStringList{"write", "a.con", "--sito", " Le Querce ", "--zona", "Ingresso "} << ""
            << "Le Querce"
            << "Ingresso" << false;
        QTest::newRow("program going on past duplicates")
            << QStringList{"program", "a.con", "--forza", "--registro", "postgresql://a@s/r"} << ""
            << ""
            << "" << true;
        QTest::newRow("--forza takes no value")
            << QStringList{"write", "a.con", "--forza=1"} << "non accetta valori"
            << ""
            << "" << false;
        QTest::newRow("--zona for read")
            << QStringList{"read", "-o", "a.con", "--zona", "X"} << "non vale per il comando read"
            << ""
            << "" << false;
        QTest::newRow("--forza for registro")
            << QStringList{"registro", "--forza"} << "non vale per il comando registro"
            << ""
            << "" << false;
        QTest::newRow("empty site") << QStringList{"write", "a.con", "--sito", ""} << "--sito"
                                    << ""
                                    << "" << false;
    }
    void recordingOptions() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        cli::Options options;
        const auto reason = cli::parseCommandLine(arguments, options);
        if (!error.isEmpty()) {
            QVERIFY(reason);
            QVERIFY2(reason->contains(error), qPrintable(*reason));
            return;
        }
        QVERIFY2(!reason, qPrintable(reason.value_or(QString())));
        QTEST(options.site, "site");
        QTEST(options.zone, "zone");
        QTEST(options.force, "force");
    }

    void eachOutcomeIsRecorded_data() {
        QTest::addColumn<bool>("window");
        QTest::addColumn<int>("ending");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<int>("status"); // of the command line
        const std::tuple<const char*, Ending, Outcome, int> endings[] = {
            {"written", Ending::Accepts, Outcome::Written, 0},
            {"refused", Ending::Refuses, Outcome::Refused, 7},
            {"no answer", Ending::Silent, Outcome::NoAnswer, 8},
            {"port lost", Ending::Vanishes, Outcome::PortLost, 3},
        };
        for (const auto& [name, ending, outcome, status] : endings) {
            QTest::addRow("command line, %s", name) << false << int(ending) << outcome << status;
            QTest::addRow("window, %s", name) << true << int(ending) << outcome << status;
        }
    }
    void eachOutcomeIsRecorded() {
        QFETCH(bool, window);
        QFETCH(int, ending);
        QFETCH(Outcome, outcome);
        QFETCH(int, status);
        const auto end = static_cast<Ending>(ending);
        CliRun cli; // its home holds the register of both front ends
        const QString registerPath = registry::defaultRegisterPath();
        QString backupFolder = cli.backupFolder();
        if (window) {
            WindowRig rig(peripheralOptions(kFirst, end), {}, {}, false);
            if (end == Ending::Vanishes)
                vanishOnWrite(*rig.peripheral);
            rig.window->findChild<QLineEdit*>(QStringLiteral("txtImpianto"))
                ->setText(QStringLiteral("Le Querce"));
            rig.window->findChild<QLineEdit*>(QStringLiteral("txtZona"))
                ->setText(QStringLiteral("Ingresso"));
            QVERIFY(rig.read());
            rig.click("SAVE");
            QTRY_COMPARE(recordsIn(registerPath).size(), 1);
            QVERIFY(rig.prompt() != ProgrammingRun::promptSave());
            QCOMPARE(rig.dialogs.messages, QStringList());
        } else {
            SimulatedPeripheral p;
            QVERIFY(p.start(peripheralOptions(kFirst, end)));
            if (end == Ending::Vanishes)
                vanishOnWrite(*p.sim);
            p.answerPrompts(cli);
            const QString file = writeFile(files.filePath(QStringLiteral("c.con")), sampleFile());
            QCOMPARE(cli.run({"write", file, "--port", p.device(), "--sito", "Le Querce", "--zona",
                              "Ingresso"}),
                     status);
            QVERIFY2(!cli.err().contains(QStringLiteral("non è stato registrato")),
                     qPrintable(cli.err()));
        }
        const QList<UnitRecord> records = recordsIn(registerPath);
        QCOMPARE(records.size(), 1);
        const UnitRecord& r = records.first();
        QCOMPARE(r.serialNumber, QStringLiteral("1111000A"));
        QCOMPARE(r.outcome, outcome);
        QCOMPARE(r.site, QStringLiteral("Le Querce"));
        QCOMPARE(r.description, QStringLiteral("Ingresso"));
        QCOMPARE(r.installer, registry::installerName());
        QCOMPARE(r.configuration.size(), conf::kFileSize);
        // The configuration sent, with the peripheral's protocol, network and code.
        const UnitRecord expected =
            registry::recordOfConfiguration(r.serialNumber, r.configuration, outcome);
        QCOMPARE(r.peripheralCode, expected.peripheralCode);
        QCOMPARE(r.network, expected.network);
        QCOMPARE(r.firmwareM6, std::uint8_t(1));
        QVERIFY2(QFile::exists(r.backupPath), qPrintable(r.backupPath));
        QVERIFY(r.backupPath.startsWith(backupFolder) || window);
        QVERIFY(qAbs(r.time.secsTo(QDateTime::currentDateTimeUtc())) < 60);
    }

    // A register that cannot be opened does not stop the work nor change its outcome; both
    // front ends say the record is missing.
    void aWriteThatCannotBeRecordedStillCounts_data() {
        QTest::addColumn<bool>("window");
        QTest::newRow("command line") << false;
        QTest::newRow("window") << true;
    }
    void aWriteThatCannotBeRecordedStillCounts() {
        QFETCH(bool, window);
        CliRun cli;
        QVERIFY(QDir().mkpath(registry::defaultRegisterPath())); // a folder in its place
        const QString missing = QStringLiteral("non è stato registrato nel registro");
        if (window) {
            WindowRig rig(peripheralOptions(kFirst, Ending::Accepts), {}, {}, false);
            QVERIFY(rig.read());
            QVERIFY(rig.write());
            QCOMPARE(rig.prompt(), ProgrammingRun::promptWritten());
            QCOMPARE(rig.dialogs.questions, QStringList());
            QCOMPARE(rig.dialogs.messages.size(), 1);
            QVERIFY2(rig.dialogs.messages.first().startsWith(
                         QStringLiteral("L'esito della scrittura (scritta) ") + missing),
                     qPrintable(rig.dialogs.messages.first()));
            QVERIFY(rig.window->findChild<QLabel*>(QStringLiteral("lblRegistro"))
                        ->text()
                        .contains(missing));
            return;
        }
        SimulatedPeripheral p;
        QVERIFY(p.start(peripheralOptions(kFirst, Ending::Accepts)));
        p.answerPrompts(cli);
        const QString file = writeFile(files.filePath(QStringLiteral("f.con")), sampleFile());
        QCOMPARE(cli.run({"write", file, "--port", p.device()}), 0);
        QCOMPARE(p.stored.size(), 1);
        QVERIFY(cli.out().contains(QStringLiteral("1111000A OK")));
        QVERIFY2(cli.err().contains(QStringLiteral("Attenzione: controllo dei codici doppi non "
                                                   "eseguito")),
                 qPrintable(cli.err()));
        QVERIFY(cli.err().contains(
            QStringLiteral("Attenzione: L'esito della scrittura (scritta) ") + missing));
    }

    // A "Registro" setting that is no server address leaves the register this computer's own,
    // and every front end says so instead of working unshared in silence.
    void anUnreadableServerSettingIsSaid_data() {
        QTest::addColumn<QString>("frontEnd");
        QTest::newRow("window") << "window";
        QTest::newRow("command line, write") << "write";
        QTest::newRow("command line, registro") << "registro";
    }
    void anUnreadableServerSettingIsSaid() {
        QFETCH(QString, frontEnd);
        const QString key = QStringLiteral("Registro");
        const QString unreadable = QStringLiteral("postgresql://h:0/r");
        SettingsStore().SaveSetting(key, unreadable);
        const auto restore = qScopeGuard([&] { SettingsStore().SaveSetting(key, QString()); });
        const QString said = QStringLiteral("Impostazione \"Registro\": l'indirizzo del registro "
                                            "condiviso \"postgresql://h:0/r\" non è valido");
        const QString local = QStringLiteral("Si usa solo il registro di questo computer.");
        if (frontEnd == QLatin1String("window")) {
            WindowRig rig({}, {}, {}, true, {{key, unreadable}});
            const QString note =
                rig.window->findChild<QLabel*>(QStringLiteral("lblRegistro"))->text();
            QVERIFY2(note.startsWith(said) && note.endsWith(local), qPrintable(note));
            return;
        }
        CliRun cli;
        if (frontEnd == QLatin1String("write")) {
            SimulatedPeripheral p;
            QVERIFY(p.start(peripheralOptions(kFirst, Ending::Accepts)));
            p.answerPrompts(cli);
            const QString file = writeFile(files.filePath(QStringLiteral("s.con")), sampleFile());
            // The work is done; the status says the setting needs mending.
            QCOMPARE(cli.run({"write", file, "--port", p.device()}), int(cli::kRegisterSettings));
            QCOMPARE(p.stored.size(), 1);
        } else {
            QCOMPARE(cli.run({"registro"}), int(cli::kRegisterSettings));
        }
        QVERIFY2(cli.err().contains(said) && cli.err().contains(local), qPrintable(cli.err()));
    }

    // One unit has the sample's code; another one with the same code is stopped the same way by
    // both front ends, naming the first one, until the installer says to go on.
    void bothRefuseTheSameDuplicate() {
        CliRun cli;
        const QString registerPath = registry::defaultRegisterPath();
        const QString file = writeFile(files.filePath(QStringLiteral("d.con")), sampleFile());
        {
            SimulatedPeripheral first;
            QVERIFY(first.start(peripheralOptions(kFirst, Ending::Accepts)));
            first.answerPrompts(cli);
            QCOMPARE(cli.run({"write", file, "--port", first.device(), "--sito", "Villa Rosa"}), 0);
        }
        const QList<UnitRecord> before = recordsIn(registerPath);
        QCOMPARE(before.size(), 1);
        const QString facts = registry::duplicateText(before.first());
        QVERIFY(facts.contains(QStringLiteral("1111000A")));
        QVERIFY(facts.contains(QStringLiteral("Villa Rosa")));
        QVERIFY(facts.contains(before.first().installer));

        // The command line: nothing sent, its own status, the facts of the other unit.
        SimulatedPeripheral second;
        QVERIFY(second.start(peripheralOptions(kSecond, Ending::Accepts)));
        second.answerPrompts(cli);
        cli.clear();
        QCOMPARE(cli.run({"write", file, "--port", second.device()}), 13);
        QVERIFY2(cli.out().contains(QStringLiteral("2222000B DUPLICATO: ") + facts),
                 qPrintable(cli.out()));
        QVERIFY(!second.receivedWrite());
        QCOMPARE(recordsIn(registerPath).size(), 1);

        // The window, on the same register: the same facts, and "No" sends nothing.
        WindowRig rig(peripheralOptions(kSecond, Ending::Accepts), {}, {}, false);
        QVERIFY(rig.read());
        QCOMPARE(rig.commands(), QStringLiteral("01010"));
        rig.click("SAVE");
        QCOMPARE(rig.dialogs.questions.size(), 1);
        QVERIFY2(rig.dialogs.questions.first().startsWith(facts),
                 qPrintable(rig.dialogs.questions.first()));
        QVERIFY(rig.dialogs.questions.first().contains(QStringLiteral("Continuare comunque?")));
        QVERIFY(!rig.received.contains("\nP"));
        QCOMPARE(rig.commands(), QStringLiteral("01010")); // as before the click
        QVERIFY(!rig.panelVisible("frmPrepare"));
        QCOMPARE(recordsIn(registerPath).size(), 1);

        // "Sì": written and recorded.
        rig.dialogs.answer = true;
        QVERIFY(rig.write());
        QCOMPARE(rig.prompt(), ProgrammingRun::promptWritten());
        QCOMPARE(rig.dialogs.questions.size(), 2);
        QTRY_COMPARE(recordsIn(registerPath).size(), 2);
        QCOMPARE(recordsIn(registerPath).first().serialNumber, QStringLiteral("2222000B"));

        // The command line goes on when told to; the first unit is now the duplicate.
        SimulatedPeripheral third;
        QVERIFY(third.start(peripheralOptions(kFirst, Ending::Accepts)));
        third.answerPrompts(cli);
        cli.clear();
        QCOMPARE(cli.run({"write", file, "--port", third.device(), "--forza"}), 0);
        QVERIFY(cli.err().contains(QStringLiteral("Si scrive comunque (--forza).")));
        QVERIFY(cli.err().contains(QStringLiteral("La periferica 2222000B")));
        QCOMPARE(third.stored.size(), 1);
    }

    // A batch with one file: the second unit would get the first one's code.
    void programStopsEachDuplicateUnit() {
        CliRun cli;
        SimulatedPeripheral p;
        sim::SimulatorOptions options = peripheralOptions(kFirst, Ending::Accepts);
        options.serials = {kFirst, kSecond};
        QVERIFY(p.start(options));
        cli.whenAsked = [&](int n) {
            if (n <= 2)
                p.pressResetWhenOpen();
            else
                cli.closeInput();
        };
        const QString file = writeFile(files.filePath(QStringLiteral("p.con")), sampleFile());
        QCOMPARE(cli.run({"program", file, "--port", p.device()}), 13);
        QVERIFY2(cli.out().contains(QStringLiteral("1111000A OK")), qPrintable(cli.out()));
        QVERIFY(cli.out().contains(QStringLiteral("2222000B DUPLICATO")));
        QCOMPARE(p.stored.size(), 1);
    }

    // Each unit of a piano is recorded with its own code, and its row's description or --zona.
    void pianoUnitsAreRecordedWithTheirOwnDescription() {
        CliRun cli;
        SimulatedPeripheral p;
        sim::SimulatorOptions options = peripheralOptions(kFirst, Ending::Accepts);
        options.serials = {kFirst, kSecond};
        QVERIFY(p.start(options));
        p.answerPrompts(cli);
        const QString file = writeFile(files.filePath(QStringLiteral("z.con")), sampleFile());
        const QString piano = writeFile(files.filePath(QStringLiteral("piano.csv")),
                                        "codice;descrizione\n101;Ingresso\n102;\n");
        QCOMPARE(cli.run({"program", file, "--port", p.device(), "--piano", piano, "--sito",
                          "Le Querce", "--zona", "Corridoio"}),
                 0);
        QMap<int, QString> described;
        for (const UnitRecord& r : recordsIn(registry::defaultRegisterPath())) {
            QCOMPARE(r.site, QStringLiteral("Le Querce"));
            described.insert(r.peripheralCode, r.description);
        }
        QCOMPARE(described, (QMap<int, QString>{{101, QStringLiteral("Ingresso")},
                                                {102, QStringLiteral("Corridoio")}}));
    }

    void windowShowsTheRegister() {
        CliRun cli;
        SimulatedPeripheral p;
        QVERIFY(p.start(peripheralOptions(kFirst, Ending::Accepts)));
        p.answerPrompts(cli);
        const QString file = writeFile(files.filePath(QStringLiteral("v.con")), sampleFile());
        QCOMPARE(cli.run({"write", file, "--port", p.device(), "--sito", "Le Querce"}), 0);

        WindowRig rig({}, {}, {}, false);
        int rows = -1;
        QString shown;
        rig.dialogs.onModal = [&](QDialog& dialog) {
            auto* grid = dialog.findChild<QTableWidget*>(QStringLiteral("grdRegistro"));
            dialog.findChild<QLineEdit*>(QStringLiteral("txtCercaSito"))
                ->setText(QStringLiteral("querce"));
            dialog.findChild<QPushButton*>(QStringLiteral("btnCerca"))->click();
            rows = grid->rowCount();
            shown = grid->item(0, 0)->text() + QLatin1Char(' ') + grid->item(0, 2)->text();
            dialog.findChild<QLineEdit*>(QStringLiteral("txtCercaSito"))
                ->setText(QStringLiteral("altrove"));
            dialog.findChild<QPushButton*>(QStringLiteral("btnCerca"))->click();
            rows = rows * 10 + grid->rowCount();
        };
        rig.window->findChild<QPushButton*>(QStringLiteral("btnRegistro"))->click();
        QCOMPARE(rig.dialogs.modalRuns, 1);
        QCOMPARE(rows, 10);
        QCOMPARE(shown, QStringLiteral("1111000A Le Querce"));
    }

    // A write from the command line reaches the company's server.
    void sharedServerGetsTheRecord() {
        SELVANA_REQUIRE_POSTGRES();
        const QString server = PgServer::freshDatabase(QStringLiteral("tst_register_writes"));
        QVERIFY(!server.isEmpty());
        CliRun cli;
        SimulatedPeripheral p;
        QVERIFY(p.start(peripheralOptions(kFirst, Ending::Accepts)));
        p.answerPrompts(cli);
        const QString file = writeFile(files.filePath(QStringLiteral("s.con")), sampleFile());
        QCOMPARE(cli.run({"write", file, "--port", p.device(), "--registro", server, "--sito",
                          "Cantiere Nord"}),
                 0);
        QVERIFY2(cli.err().contains(QStringLiteral("Copia del registro condiviso aggiornata")),
                 qPrintable(cli.err()));
        QString error;
        registry::RegisterError openError;
        auto remote = registry::UnitRegister::openServer(
            *registry::ServerAddress::parse(server, &error), &openError);
        QVERIFY2(remote, qPrintable(openError.message));
        QList<UnitRecord> there;
        QVERIFY(!remote->records({}, there));
        QCOMPARE(there.size(), 1);
        QCOMPARE(there.first().serialNumber, QStringLiteral("1111000A"));
        QCOMPARE(there.first().site, QStringLiteral("Cantiere Nord"));
    }

    // Codes of a range held by another installer's unit on the company's server are skipped.
    void codesHeldOnTheServerAreSkipped() {
        SELVANA_REQUIRE_POSTGRES();
        const QString server = PgServer::freshDatabase(QStringLiteral("tst_register_codes"));
        QVERIFY(!server.isEmpty());
        QString error;
        registry::RegisterError openError;
        auto remote = registry::UnitRegister::openServer(
            *registry::ServerAddress::parse(server, &error), &openError);
        QVERIFY2(remote, qPrintable(openError.message));
        UnitRecord theirs = registry::recordOfConfiguration(QStringLiteral("9999000F"),
                                                            sampleFile(), Outcome::Written);
        theirs.peripheralCode = 101;
        theirs.installer = QStringLiteral("Altro installatore");
        QVERIFY(!remote->record(theirs));

        CliRun cli;
        SimulatedPeripheral p;
        QVERIFY(p.start(peripheralOptions(kSecond, Ending::Accepts)));
        p.answerPrompts(cli);
        const QString file = writeFile(files.filePath(QStringLiteral("c.con")), sampleFile());
        QCOMPARE(cli.run({"program", file, "--port", p.device(), "--codici", "101-102", "--count",
                          "1", "--registro", server}),
                 0);
        QCOMPARE(p.stored.size(), 1);
        QList<UnitRecord> mine;
        for (const UnitRecord& r : recordsIn(registry::defaultRegisterPath()))
            if (r.serialNumber == QLatin1String("2222000B"))
                mine << r;
        QVERIFY(!mine.isEmpty());
        QCOMPARE(mine.first().peripheralCode, 102);
    }
};

SELVANA_TEST_MAIN(TestRegisterWrites)
#include "tst_register_writes.moc"
