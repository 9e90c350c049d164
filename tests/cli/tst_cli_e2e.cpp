#include "cli/peripheral_rig.h"
#include "common/sample_images.h"
#include "common/test_main.h"
#include "core/fields/number_text.h"
#include "core/fields/write_verification.h"
#include "core/files/file_names.h"
#include "core/image/memory_map.h"
#include "registry/installer.h"
#include "registry/unit_register.h"
#include "serial/settings_store.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

using namespace selvana;
using namespace selvana::testing;

namespace {

QString firmwareMessage(const char* suffix) {
    return QStringLiteral("Attenzione: file di configurazione adatto per versioni firmware ") +
           QLatin1String(suffix);
}
QString bandMessage(const char* suffix) {
    return QStringLiteral("Attenzione: file di configurazione non adatto per Radio ") +
           QLatin1String(suffix);
}

// The configuration installers put on every peripheral of a site: the sample with other
// times, network and code, as the window would have written it.
Image siteConfiguration() {
    Image image = sampleProteusX();
    image[24] = 0x00, image[25] = 77;   // network 77
    image[26] = 0x10, image[27] = 0xE1; // code 4321
    image[45] = 33;                     // siren 33 s
    return assembled(image);
}

// What a write of siteWithCode301() changes in a simulated peripheral: the bytes the editor
// rebuilds too.
const QStringList kSiteChanges{"Codice Rete: 00012 → 00077",
                               "Codice Periferica: 300 → 301",
                               "Tempo Sirena (s): 30 → 33",
                               "Byte 50 (non mostrato dall'editor): 0xFF → 0x03",
                               "Byte 54 (non mostrato dall'editor): 0x00 → 0x99",
                               "Byte 55 (non mostrato dall'editor): 0x00 → 0x24"};

// The same with code 301: a code below a thousand reads alike in every locale.
Image siteWithCode301() {
    Image image = siteConfiguration();
    image[map::kCodeHigh] = 0x01, image[map::kCodeLow] = 0x2D;
    return assembled(image);
}

sim::SimulatorOptions peripheralOptions(char announce, const Image& image,
                                        QList<quint32> serials = {}) {
    sim::SimulatorOptions options;
    options.announce = announce;
    options.image = image;
    options.serials = std::move(serials);
    return options;
}

// The arguments as the program gets them from the system, every byte kept.
QStringList arguments(QList<QByteArray> raw) {
    QByteArray program("selvanam-cli");
    std::vector<char*> argv{program.data()};
    for (QByteArray& argument : raw)
        argv.push_back(argument.data());
    return argumentsOf(static_cast<int>(argv.size()), argv.data());
}

QStringList lines(const QString& text) {
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QList<registry::UnitRecord> registerRecords() {
    registry::RegisterError error;
    QList<registry::UnitRecord> records;
    auto reg = registry::UnitRegister::openFile(registry::defaultRegisterPath(), &error);
    if (!reg || reg->records({}, records))
        qFatal("the register cannot be read");
    return records;
}

// The log's lines, without the byte-order mark at its start.
QStringList logLinesOf(const QString& path) {
    return QString::fromUtf8(contentOf(path))
        .remove(QChar(0xFEFF))
        .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

} // namespace

class TestCliEndToEnd : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home;
    QString file(const char* name) const { return home->filePath(QLatin1String(name)); }

    // The site's file with the markers of a VHF peripheral of firmware M6.
    QString siteFile(const QByteArray& markers = "KV") const {
        return writeFile(file("impianto.con"),
                         markers + conf::fileContent(1, 0, siteConfiguration()).mid(2));
    }

    // Bytes 5..63 as the site's file has them, serial number and checksum as the peripheral's.
    static void verifyProgrammed(const Image& written, quint32 serial) {
        const Image site = siteConfiguration();
        QCOMPARE(sim::serialNumber(written), serial);
        for (int k = 5; k <= 63; ++k)
            QVERIFY2(written[k] == site[k], qPrintable(QStringLiteral("byte %1").arg(k)));
        QCOMPARE(written[64], CalcolaCKSSave(written));
    }

    // The one backup of a serial number holds what the peripheral held before.
    static void verifyBackup(const CliRun& cli, const QString& serial, const Image& before) {
        QStringList names = filesIn(cli.backupFolder());
        names = names.filter(
            QRegularExpression(QStringLiteral("^%1_\\d{8}-\\d{6}(_\\d+)?\\.con$").arg(serial)));
        QCOMPARE(names.size(), 1);
        const QByteArray backup = contentOf(cli.backupFolder() + QLatin1Char('/') + names.first());
        QCOMPARE(backup, conf::fileContent(1, 0, before));
    }

private slots:
    void init() {
        home = std::make_unique<QTemporaryDir>();
        QSettings(QSettings::IniFormat, QSettings::UserScope, "SelvanaM", "SelvanaM").clear();
    }

    void readStoresTheImageExactlyAsRead_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<char>("announce");
        QTest::addColumn<bool>("sicep");
        QTest::addColumn<bool>("badChecksum");
        QTest::addColumn<QByteArray>("markers");
        QTest::newRow("device path, M6, VHF")
            << "device" << 'K' << false << false << QByteArray("KV");
        QTest::newRow("port number from the settings, before M6, UHF")
            << "3" << 'W' << true << false << QByteArray("WU");
        QTest::newRow("the window's port, wrong checksum kept")
            << "" << 'K' << false << true << QByteArray("KV");
    }
    void readStoresTheImageExactlyAsRead() {
        QFETCH(QString, port);
        QFETCH(char, announce);
        QFETCH(bool, sicep);
        QFETCH(bool, badChecksum);
        QFETCH(QByteArray, markers);
        SimulatedPeripheral p;
        sim::SimulatorOptions options =
            peripheralOptions(announce, sicep ? sampleSicep() : sampleProteusX());
        options.faults.badChecksum = badChecksum;
        QVERIFY(p.start(options));

        CliRun cli;
        p.answerPrompts(cli);
        QStringList args{QStringLiteral("read"), QStringLiteral("-o"), file("letto.con")};
        SettingsStore settings;
        if (port == QLatin1String("device")) {
            args << QStringLiteral("--port") << p.device();
        } else if (port.isEmpty()) {
            settings.SaveSetting(QStringLiteral("Port"), QStringLiteral("2"));
            settings.SaveSetting(QStringLiteral("Device2"), p.device());
        } else {
            settings.SaveSetting(QStringLiteral("Device") + port, p.device());
            args << QStringLiteral("--port") << port;
        }
        QCOMPARE(cli.run(args), 0);

        Image sent = p.sim->image();
        if (badChecksum)
            sent[64] = static_cast<std::uint8_t>(sent[64] + 1);
        const QByteArray content = contentOf(file("letto.con"));
        QCOMPARE(content.left(2), markers);
        QCOMPARE(content.mid(2), conf::fileContent(1, 0, sent).mid(2));
        QVERIFY2(cli.out().contains(p.sim->serialNumber()), qPrintable(cli.out()));
        QCOMPARE(cli.err().contains(QStringLiteral("Attenzione: il checksum letto")), badChecksum);
        QVERIFY(!p.receivedWrite());
    }

    void writeProgramsThePeripheralAfterABackup() {
        SimulatedPeripheral p;
        QVERIFY(p.start(peripheralOptions('K', sampleProteusX(), {0x0BADCAFE})));
        const Image before = p.sim->image();
        const QString log = file("registro.csv");

        CliRun cli;
        p.answerPrompts(cli);
        QCOMPARE(cli.run({QStringLiteral("write"), siteFile(), QStringLiteral("--port"), p.device(),
                          QStringLiteral("--log"), log}),
                 0);

        QCOMPARE(p.stored.size(), 1);
        verifyProgrammed(p.stored.first(), 0x0BADCAFE);
        verifyBackup(cli, QStringLiteral("0BADCAFE"), before);
        QCOMPARE(lines(cli.out()),
                 QStringList{QStringLiteral(
                     "0BADCAFE OK: Programmazione Periferico effettuata con successo")});
        const QStringList logLines = logLinesOf(log);
        QCOMPARE(logLines.size(), 2);
        QVERIFY(logLines[1].contains(QStringLiteral(";0BADCAFE;") + file("impianto.con") +
                                     QStringLiteral(";OK;")));
    }

    // What a write changes is said before it goes out and recorded with it; --prova says it and
    // leaves everything as it was; --verifica reads the unit back (RESET again) and records
    // what it showed. The simulator shows a written unit once more before the next.
    void writeSaysWhatItChangesAndReadsBack_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("imperfect"); // the siren time stored one more than written
        QTest::addColumn<int>("resets");     // RESETs pressed when asked; then input ends
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("results");
        QTest::addColumn<QString>("verification"); // kept in each record; "-": no record
        const QString ok = QStringLiteral("OK: Programmazione Periferico effettuata con successo");
        const QString verified = ok + QStringLiteral(". Verifica riuscita");
        const QString differs = QStringLiteral("DIVERSA: Verifica non riuscita: la periferica non "
                                               "contiene quanto scritto (Tempo Sirena (s): 33 → "
                                               "34). Ripetere la programmazione.");
        QTest::newRow("write") << "write" << QStringList{} << false << 1 << 0
                               << QStringList{"11111111 " + ok} << "";
        QTest::newRow("write --prova")
            << "write" << QStringList{"--prova"} << false << 1 << 0
            << QStringList{"11111111 PROVA: 6 modifiche. Nulla è stato scritto."} +
                   QStringList(kSiteChanges).replaceInStrings(QRegularExpression("^"), "  ")
            << "-";
        // Verified, differing and not read back on `write` are rows of the link's fault table.
        QTest::newRow("program --verifica")
            << "program" << QStringList{"--verifica", "-n", "2"} << false << 4 << 0
            << QStringList{"11111111 " + verified, "22222222 " + verified} << "riuscita";
        QTest::newRow("program --verifica, stored otherwise: not programmed")
            << "program" << QStringList{"--verifica"} << true << 2 << 11
            << QStringList{"11111111 " + differs} << "diversa";
    }
    void writeSaysWhatItChangesAndReadsBack() {
        QFETCH(QString, command);
        QFETCH(QStringList, options);
        QFETCH(bool, imperfect);
        QFETCH(int, resets);
        QFETCH(QString, verification);
        sim::SimulatorOptions simulated =
            peripheralOptions('K', sampleProteusX(), {0x11111111, 0x22222222});
        simulated.readBack = true;
        simulated.faults.imperfectStore = imperfect;
        SimulatedPeripheral p;
        QVERIFY(p.start(simulated));
        const Image before = p.sim->image();
        CliRun cli;
        cli.whenAsked = [&](int n) {
            if (n <= resets)
                p.pressResetWhenOpen();
            else
                cli.closeInput();
        };
        const QString site =
            writeFile(file("impianto.con"), conf::fileContent(1, 0, siteWithCode301()));
        QTEST(cli.run(QStringList{command, site, QStringLiteral("--port"), p.device(),
                                  QStringLiteral("--log"), file("log.csv"),
                                  QStringLiteral("--forza")} +
                      options),
              "status");
        QTEST(lines(cli.out()), "results");

        const QList<registry::UnitRecord> records = registerRecords();
        if (verification == QLatin1String("-")) {
            QVERIFY(!p.receivedWrite());
            QVERIFY(p.sim->image() == before);
            QCOMPARE(filesIn(cli.backupFolder()), QStringList());
            QCOMPARE(records.size(), 0);
            QVERIFY(!QFile::exists(file("log.csv")));
            return;
        }
        // Said before the write frame went out, and kept with the write.
        const QString said = QStringLiteral("La scrittura cambia nella periferica 11111111:\n  ") +
                             kSiteChanges.join(QStringLiteral("\n  ")) + QLatin1Char('\n');
        QVERIFY2(cli.err().contains(said + QStringLiteral("Copia di sicurezza")),
                 qPrintable(cli.err()));
        QCOMPARE(records.size(), p.stored.size());
        for (const registry::UnitRecord& r : records) {
            QCOMPARE(r.outcome, registry::Outcome::Written);
            if (r.serialNumber == QLatin1String("11111111"))
                QCOMPARE(r.changes, kSiteChanges);
            QCOMPARE(verificationKey(r.verification), verification);
        }
    }

    void writeRefusesAFileMadeForAnotherPeripheral_data() {
        QTest::addColumn<char>("announce");
        QTest::addColumn<QByteArray>("markers");
        QTest::addColumn<QString>("message");
        QTest::newRow("firmware") << 'K' << QByteArray("WV")
                                  << firmwareMessage("precedenti alla M6 !");
        QTest::newRow("firmware M6")
            << 'W' << QByteArray("KV") << firmwareMessage("M6 e successive!");
        QTest::newRow("band") << 'K' << QByteArray("KU") << bandMessage("VHF !");
    }
    void writeRefusesAFileMadeForAnotherPeripheral() {
        QFETCH(char, announce);
        QFETCH(QByteArray, markers);
        QFETCH(QString, message);
        SimulatedPeripheral p;
        QVERIFY(p.start(peripheralOptions(announce, sampleProteusX())));
        const Image before = p.sim->image();

        CliRun cli;
        p.answerPrompts(cli);
        QCOMPARE(cli.run({QStringLiteral("write"), siteFile(markers), QStringLiteral("--port"),
                          p.device()}),
                 5);
        QCOMPARE(lines(cli.out()), QStringList{QStringLiteral("1234ABCD NON_ADATTA: ") + message});
        QVERIFY(!p.receivedWrite());
        QVERIFY(p.sim->image() == before);
        QCOMPARE(filesIn(cli.backupFolder()), QStringList());
    }

    void aRefusedWriteIsReportedAndTheBackupKept() {
        SimulatedPeripheral p;
        sim::SimulatorOptions options = peripheralOptions('K', sampleProteusX());
        options.faults.refuseWrites = true;
        QVERIFY(p.start(options));
        const Image before = p.sim->image();

        CliRun cli;
        p.answerPrompts(cli);
        QCOMPARE(
            cli.run({QStringLiteral("write"), siteFile(), QStringLiteral("--port"), p.device()}),
            7);
        QVERIFY(p.receivedWrite());
        QCOMPARE(lines(cli.out()), QStringList{QStringLiteral(
                                       "1234ABCD RIFIUTATA: Programmazione Periferica Fallita")});
        verifyBackup(cli, QStringLiteral("1234ABCD"), before);
        // The default log sits beside the backups.
        QVERIFY(
            QString::fromUtf8(contentOf(cli.dataFolder() + QStringLiteral("/programmazioni.csv")))
                .contains(QStringLiteral(";1234ABCD;")));
    }

    void noAnnouncementWithinTheLimit_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("read") << "read";
        QTest::newRow("write") << "write";
    }
    void noAnnouncementWithinTheLimit() {
        QFETCH(QString, command);
        SimulatedPeripheral p;
        sim::SimulatorOptions options = peripheralOptions('K', sampleProteusX());
        options.faults.silent = true;
        QVERIFY(p.start(options));
        CliRun cli;
        p.answerPrompts(cli);
        QStringList args{command, QStringLiteral("--port"), p.device(), QStringLiteral("--timeout"),
                         QStringLiteral("0,25")};
        args << (command == QLatin1String("read") ? QStringList{QStringLiteral("-o"), file("x.con")}
                                                  : QStringList{siteFile()});
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(cli.run(args), 4);
        QVERIFY2(clock.elapsed() >= 250, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(
            cli.err().contains(QStringLiteral("Nessuna periferica si è annunciata entro 0.25 s")),
            qPrintable(cli.err()));
        QVERIFY(!QFile::exists(file("x.con")));
    }

    void programWritesOnePeripheralAfterAnother() {
        SimulatedPeripheral p;
        const QList<quint32> serials{0x11111111, 0x22222222, 0x33333333};
        QVERIFY(p.start(peripheralOptions('K', sampleProteusX(), serials)));
        const QString log = file("cantiere.csv");

        CliRun cli;
        p.answerPrompts(cli);
        QCOMPARE(
            cli.run({QStringLiteral("program"), siteFile(), QStringLiteral("--port"), p.device(),
                     QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--log"), log,
                     // One file gives every unit the same code: the duplicate guard is told so.
                     QStringLiteral("--forza")}),
            0);
        QCOMPARE(cli.prompts(), 3);

        QCOMPARE(p.stored.size(), 3);
        QStringList expectedLines;
        for (int i = 0; i < 3; ++i) {
            const QString serial = QString::number(serials[i], 16).toUpper();
            verifyProgrammed(p.stored[i], serials[i]);
            verifyBackup(cli, serial, peripheralImage(sampleProteusX(), serials[i]));
            expectedLines << serial + QStringLiteral(
                                          " OK: Programmazione Periferico effettuata con successo");
        }
        QCOMPARE(lines(cli.out()), expectedLines);

        const QStringList logLines = logLinesOf(log);
        QCOMPARE(logLines.size(), 4);
        QCOMPARE(
            logLines[0],
            QStringLiteral("data_ora;numero_di_serie;file;esito;dettaglio;copia_di_sicurezza"));
        for (int i = 0; i < 3; ++i) {
            const QStringList fields = logLines[i + 1].split(QLatin1Char(';'));
            QCOMPARE(fields.size(), 6);
            QVERIFY(
                QDateTime::fromString(fields[0], QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid());
            QCOMPARE(fields[1], QString::number(serials[i], 16).toUpper());
            QCOMPARE(fields[2], file("impianto.con"));
            QCOMPARE(fields[3], QStringLiteral("OK"));
            QVERIFY(fields[5].startsWith(cli.backupFolder() + QLatin1Char('/') + fields[1]));
        }
    }

    void programCarriesOnPastAFailureAndStopsWhenTold_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("status");
        QTest::newRow("no count: all seen were programmed in the end") << "" << 0;
        QTest::newRow("two wanted, one done") << "2" << 10;
    }
    void programCarriesOnPastAFailureAndStopsWhenTold() {
        QFETCH(QString, count);
        QFETCH(int, status);
        SimulatedPeripheral p;
        sim::SimulatorOptions options =
            peripheralOptions('K', sampleProteusX(), {0x11111111, 0x22222222});
        options.faults.refuseWrites = true;
        QVERIFY(p.start(options));

        CliRun cli;
        cli.whenAsked = [&](int n) {
            if (n == 2) {
                // Refused: the batch goes on, and the same peripheral is tried again.
                QVERIFY(cli.out().contains(QStringLiteral("RIFIUTATA")));
                auto faults = p.sim->faults();
                faults.refuseWrites = false;
                p.sim->setFaults(faults);
            }
            if (n <= 2)
                p.pressResetWhenOpen();
            else
                cli.closeInput(); // Ctrl+D
        };
        QStringList args{QStringLiteral("program"), siteFile(),
                         QStringLiteral("--port"),  p.device(),
                         QStringLiteral("--log"),   file("log.csv")};
        if (!count.isEmpty())
            args << QStringLiteral("--count") << count;
        QCOMPARE(cli.run(args), status);
        QCOMPARE(
            lines(cli.out()),
            (QStringList{QStringLiteral("11111111 RIFIUTATA: Programmazione Periferica Fallita"),
                         QStringLiteral("11111111 OK: Programmazione Periferico effettuata "
                                        "con successo")}));
        QVERIFY2(cli.err().contains(QStringLiteral("fine dell'ingresso")), qPrintable(cli.err()));
    }

    void programEndsWithItsStatusWhenAPeripheralStaysUnprogrammed() {
        SimulatedPeripheral p;
        sim::SimulatorOptions options = peripheralOptions('K', sampleProteusX());
        options.faults.refuseWrites = true;
        QVERIFY(p.start(options));
        CliRun cli;
        cli.whenAsked = [&](int n) {
            if (n == 1)
                p.pressResetWhenOpen();
            else
                cli.type("fine\n");
        };
        QCOMPARE(cli.run({QStringLiteral("program"), siteFile(), QStringLiteral("--port"),
                          p.device(), QStringLiteral("--log"), file("log.csv")}),
                 11);
        QVERIFY2(cli.err().contains(QStringLiteral("\"fine\"")), qPrintable(cli.err()));
    }

    // program --codici / --piano against peripherals presented one after another: each gets
    // its own code (and network), codes held in the register or given earlier are skipped, and
    // the batch ends when no unit is left. Held: "SERIAL CODE OUTCOME" in network 77.
    void programGivesEachPeripheralItsOwnCode_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("plan");
        QTest::addColumn<QStringList>("held");
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<QList<int>>("networks");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("a range, each its code, ends when used up")
            << QStringList{"--codici", "101-103"} << QByteArray() << QStringList{}
            << QList<int>{101, 102, 103} << QList<int>{77, 77, 77} << 0 << "(codici esauriti)";
        QTest::newRow("codes held in the register skipped")
            << QStringList{"--codici", "101-104"} << QByteArray()
            << QStringList{"AAAA0001 101 scritta", "AAAA0002 103 nessuna_risposta",
                           "AAAA0003 104 rifiutata"}
            << QList<int>{102, 104} << QList<int>{77, 77} << 0 << "(codici esauriti)";
        QTest::newRow("range used up before the count")
            << QStringList{"--codici", "9998-9999", "--count", "3"} << QByteArray() << QStringList{}
            << QList<int>{9998, 9999} << QList<int>{77, 77} << 10
            << "nessun codice libero nell'intervallo 9998-9999 per il protocollo Proteus-X, "
               "rete 00077";
        QTest::newRow("a piano, a network of the list on one row")
            << QStringList{"--piano", "@plan"}
            << QByteArray("codice;descrizione;rete\n11;Atrio;40\n12;Scala;\n") << QStringList{}
            << QList<int>{11, 12} << QList<int>{40, 77} << 0 << "(piano completato)";
    }
    void programGivesEachPeripheralItsOwnCode() {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, plan);
        QFETCH(QStringList, held);
        QFETCH(QList<int>, codes);
        QFETCH(QList<int>, networks);
        QFETCH(int, status);
        QFETCH(QString, message);
        const QList<quint32> serials{0x11111111, 0x22222222, 0x33333333};
        SimulatedPeripheral p;
        QVERIFY(p.start(peripheralOptions('K', sampleProteusX(), serials)));
        CliRun cli;
        p.answerPrompts(cli);
        QVERIFY(QDir().mkpath(cli.dataFolder()));
        writeFile(cli.dataFolder() + QStringLiteral("/Reti.cfg"), "00040Quaranta\r\n");
        {
            registry::RegisterError error;
            auto reg = registry::UnitRegister::openFile(registry::defaultRegisterPath(), &error);
            QVERIFY2(reg, qPrintable(error.message));
            for (const QString& text : held) {
                const QStringList parts = text.split(QLatin1Char(' '));
                registry::UnitRecord record;
                record.serialNumber = parts[0];
                record.protocol = 1;
                record.network = 77;
                record.peripheralCode = parts[1].toInt();
                record.outcome = *registry::outcomeFromKey(parts[2]);
                QVERIFY(!reg->record(record));
            }
        }
        for (QString& option : options) {
            if (option == QLatin1String("@plan"))
                option = writeFile(file("piano.csv"), plan);
        }
        QCOMPARE(
            cli.run(QStringList{QStringLiteral("program"), siteFile(), QStringLiteral("--port"),
                                p.device(), QStringLiteral("--log"), file("log.csv")} +
                    options),
            status);
        QVERIFY2(cli.err().contains(message), qPrintable(cli.err()));
        QCOMPARE(p.stored.size(), codes.size());
        for (int i = 0; i < codes.size(); ++i) {
            ConfigRecord written;
            Analyze2(p.stored[i], QString(), written);
            QCOMPARE(sim::serialNumber(p.stored[i]), serials[i]);
            QCOMPARE(written.CodicePeriferica, codes[i]);
            QCOMPARE(written.CodiceRete, networks[i]);
            // Nothing else of the site's configuration moves.
            const Image site = siteConfiguration();
            for (int k = 5; k <= 63; ++k) {
                if (k != map::kCodeHigh && k != map::kCodeLow && k != map::kNetworkHigh &&
                    k != map::kNetworkLow)
                    QVERIFY2(p.stored[i][k] == site[k],
                             qPrintable(QStringLiteral("byte %1").arg(k)));
            }
            QVERIFY2(cli.err().contains(QStringLiteral("Periferica %1: codice %2")
                                            .arg(QString::number(serials[i], 16).toUpper())
                                            .arg(codes[i])),
                     qPrintable(cli.err()));
        }
        QCOMPARE(cli.prompts(), codes.size());
    }

    // A template whose own code is no valid code (0): written as it is it is refused before any
    // RESET, while the units of a range or a piano give it theirs.
    void aTemplateWithoutACodeTakesThePlansCodes_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("code"); // the one written; 0 for none
        QTest::newRow("no plan") << QStringList{"--count", "1"} << 6 << 0;
        QTest::newRow("a range") << QStringList{"--codici", "101-101"} << 0 << 101;
        QTest::newRow("a piano") << QStringList{"--piano", "@plan"} << 0 << 21;
    }
    void aTemplateWithoutACodeTakesThePlansCodes() {
        QFETCH(QStringList, options);
        QFETCH(int, code);
        Image noCode = siteConfiguration();
        noCode[map::kCodeHigh] = 0, noCode[map::kCodeLow] = 0;
        const QString template_ =
            writeFile(file("senza-codice.con"), conf::fileContent(1, 0, assembled(noCode)));
        for (QString& option : options) {
            if (option == QLatin1String("@plan"))
                option = writeFile(file("piano.csv"), "21;Atrio\n");
        }
        SimulatedPeripheral p;
        QVERIFY(p.start(peripheralOptions('K', sampleProteusX(), {0x11111111})));
        CliRun cli;
        p.answerPrompts(cli);
        QTEST(cli.run(QStringList{QStringLiteral("program"), template_, QStringLiteral("--port"),
                                  p.device()} +
                      options),
              "status");
        if (code == 0) {
            QVERIFY2(cli.err().contains(QStringLiteral("non può essere scritto in una periferica")),
                     qPrintable(cli.err()));
            QCOMPARE(p.stored.size(), 0);
            return;
        }
        QCOMPARE(p.stored.size(), 1);
        ConfigRecord written;
        Analyze2(p.stored[0], QString(), written);
        QCOMPARE(written.CodicePeriferica, code);
    }

    // A code refused with "N" is not held: the next peripheral (here the same one again) gets it.
    void aRefusedWriteLeavesItsCodeFree() {
        SimulatedPeripheral p;
        sim::SimulatorOptions options =
            peripheralOptions('K', sampleProteusX(), {0x11111111, 0x22222222});
        options.faults.refuseWrites = true;
        QVERIFY(p.start(options));
        CliRun cli;
        cli.whenAsked = [&](int n) {
            if (n == 2) {
                auto faults = p.sim->faults();
                faults.refuseWrites = false;
                p.sim->setFaults(faults);
            }
            p.pressResetWhenOpen();
        };
        QCOMPARE(cli.run({QStringLiteral("program"), siteFile(), QStringLiteral("--port"),
                          p.device(), QStringLiteral("--log"), file("log.csv"),
                          QStringLiteral("--codici"), QStringLiteral("101-102")}),
                 0);
        QCOMPARE(lines(cli.out()).size(), 3);
        QVERIFY(lines(cli.out())[0].startsWith(QStringLiteral("11111111 RIFIUTATA")));
        QCOMPARE(cli.err().count(QStringLiteral("Periferica 11111111: codice 101.")), 2);
        QVERIFY2(cli.err().contains(QStringLiteral("Periferica 22222222: codice 102.")),
                 qPrintable(cli.err()));
        QCOMPARE(p.stored.size(), 2);
        ConfigRecord second;
        Analyze2(p.stored[1], QString(), second);
        QCOMPARE(second.CodicePeriferica, 102);
    }

    // A batch whose codes the window would not take, or cannot be read, stops before anyone
    // presses RESET.
    void programRefusesAPlanBeforeAnyPeripheral_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("plan");
        QTest::addColumn<bool>("sicep");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("range beyond the protocol's codes")
            << QStringList{"--codici", "9998-10001"} << QByteArray() << false << 6
            << "per il protocollo Proteus-X va da 1 a 9999";
        QTest::newRow("range already held") << QStringList{"--codici", "300-300"} << QByteArray()
                                            << false << 6 << "Nulla da programmare";
        QTest::newRow("piano row the model refuses")
            << QStringList{"--piano", "@plan"} << QByteArray("11;Atrio\n0;Scala\n") << false << 6
            << "Riga 2 del piano";
        QTest::newRow("piano network not in the list")
            << QStringList{"--piano", "@plan"} << QByteArray("11;Atrio;55\n") << false << 6
            << "La rete 00055 non è nell'elenco delle reti";
        QTest::newRow("piano network under another protocol")
            << QStringList{"--piano", "@plan"} << QByteArray("11;Atrio;40\n") << true << 6
            << "il protocollo Sicep non ha reti";
        QTest::newRow("piano code twice in the file's network")
            << QStringList{"--piano", "@plan"} << QByteArray("11;Atrio;77\n12;Scala\n11;Tetto\n")
            << false << 6 << "il codice 11 è già alla riga 1 nella rete 00077";
        QTest::newRow("piano format, with its line")
            << QStringList{"--piano", "@plan"} << QByteArray("11;a\n\n1x;b\n") << false << 6
            << "riga 3: il codice \"1x\"";
        QTest::newRow("piano row whose code another unit holds")
            << QStringList{"--piano", "@plan"} << QByteArray("11;Atrio;77\n300;Scala\n") << false
            << 13 << "Riga 2 del piano";
        QTest::newRow("piano zone with a tab")
            << QStringList{"--piano", "@plan"} << QByteArray("11;Atrio\tScala\n") << false << 6
            << "riga 1: la descrizione contiene un carattere di controllo";
        QTest::newRow("piano missing") << QStringList{"--piano", "@missing"} << QByteArray()
                                       << false << 2 << "il file non esiste";
        QTest::newRow("both ways at once")
            << QStringList{"--piano", "@plan", "--codici", "1-2"} << QByteArray("1;a\n") << false
            << 1 << "--codici oppure --piano";
        QTest::newRow("codici with write") << QStringList{"--codici", "1-2"} << QByteArray()
                                           << false << 1 << "non vale per il comando write";
    }
    void programRefusesAPlanBeforeAnyPeripheral() {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, plan);
        QFETCH(bool, sicep);
        QFETCH(int, status);
        QFETCH(QString, message);
        CliRun cli;
        QVERIFY(QDir().mkpath(cli.dataFolder()));
        writeFile(cli.dataFolder() + QStringLiteral("/Reti.cfg"), "00040Quaranta\r\n");
        {
            // Code 300 of network 77 is another peripheral's.
            registry::RegisterError error;
            auto reg = registry::UnitRegister::openFile(registry::defaultRegisterPath(), &error);
            QVERIFY2(reg, qPrintable(error.message));
            registry::UnitRecord record;
            record.serialNumber = QStringLiteral("AAAA0001");
            record.protocol = 1;
            record.network = 77;
            record.peripheralCode = 300;
            QVERIFY(!reg->record(record));
        }
        for (QString& option : options) {
            if (option == QLatin1String("@plan"))
                option = writeFile(file("piano.csv"), plan);
            else if (option == QLatin1String("@missing"))
                option = file("manca.csv");
        }
        const QString config =
            sicep ? writeFile(file("sicep.con"), conf::fileContent(1, 1, assembled(sampleSicep())))
                  : siteFile();
        const QString command = message.contains(QStringLiteral("write"))
                                    ? QStringLiteral("write")
                                    : QStringLiteral("program");
        QCOMPARE(cli.run(QStringList{command, config, QStringLiteral("--port"),
                                     QStringLiteral("/dev/null/none")} +
                         options),
                 status);
        QVERIFY2(cli.err().contains(message), qPrintable(cli.err()));
        QCOMPARE(cli.prompts(), 0);
    }

    void noBackupNoWrite() {
        SimulatedPeripheral p;
        QVERIFY(p.start(peripheralOptions('K', sampleProteusX())));
        const QString site = siteFile();
        CliRun cli;
        p.answerPrompts(cli);
        // A file where the backup folder should be: no backup can be made in it.
        QVERIFY(QDir().mkpath(cli.dataFolder()));
        writeFile(cli.backupFolder(), "not a folder");
        QCOMPARE(cli.run({QStringLiteral("write"), site, QStringLiteral("--port"), p.device(),
                          QStringLiteral("--log"), file("log.csv")}),
                 9);
        QVERIFY(!p.receivedWrite());
        QVERIFY2(cli.out().contains(QStringLiteral("Nessun dato è stato scritto nella periferica")),
                 qPrintable(cli.out()));
        QVERIFY(logLinesOf(file("log.csv")).last().contains(QStringLiteral(";NON_SCRITTA;")));
    }

    void commandLineErrors_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command") << QStringList{} << 1 << "manca il comando";
        QTest::newRow("option of another command")
            << QStringList{"read", "-o", "x.con", "--json"} << 1 << "--json non vale";
        QTest::newRow("port 5") << QStringList{"write", "@site", "--port", "5"} << 1
                                << "la porta \"5\" non esiste";
        QTest::newRow("port -1") << QStringList{"write", "@site", "--port", "-1"} << 1
                                 << "la porta \"-1\" non esiste";
        QTest::newRow("no port anywhere")
            << QStringList{"write", "@site"} << 1 << "nessuna porta indicata";
        QTest::newRow("missing file")
            << QStringList{"decode", "@missing"} << 2 << "il file non esiste";
        QTest::newRow("short file")
            << QStringList{"decode", "@short"} << 2 << "contiene 10 byte, ne servono 62";
        QTest::newRow("diff with a file missing")
            << QStringList{"diff", "@site", "@missing"} << 2 << "il file non esiste";
        QTest::newRow("code out of range: nothing waits for a peripheral")
            << QStringList{"write", "@badcode", "--port", "/dev/null/none"} << 6
            << "Codice Periferica";
        QTest::newRow("absent port")
            << QStringList{"write", "@site", "--port", "/dev/selvana-none"} << 3 << "non esiste";
        QTest::newRow("a code named as the file holds it")
            << QStringList{"write", "@code9000", "--port", "/dev/null/none"} << 6
            << "\"Codice Periferica\" (36864, byte 26-27 = 0x90 0x00)";
        QTest::newRow("mains failure with every input conditioned")
            << QStringList{"write", "@mains", "--port", "/dev/null/none"} << 6
            << "tutti i suoi ingressi sono condizionati";
    }
    void commandLineErrors() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        Image badCode = siteConfiguration();
        badCode[26] = 0, badCode[27] = 0;
        Image code9000 = siteConfiguration();
        code9000[26] = 0x90, code9000[27] = 0x00;
        Image mains = siteConfiguration(); // M6, panel, 4 inputs, mains failure on input 5
        mains[22] = 0x00, mains[23] = 0xFF;
        const QMap<QString, QString> files{
            {QStringLiteral("@site"), siteFile()},
            {QStringLiteral("@missing"), file("mancante.con")},
            {QStringLiteral("@short"), writeFile(file("corto.con"), "KV12345678")},
            {QStringLiteral("@badcode"),
             writeFile(file("codice.con"), conf::fileContent(1, 0, badCode))},
            {QStringLiteral("@code9000"),
             writeFile(file("codice9000.con"), conf::fileContent(1, 0, code9000))},
            {QStringLiteral("@mains"),
             writeFile(file("condizionati.con"), conf::fileContent(1, 0, mains))},
        };
        for (QString& argument : arguments)
            argument = files.value(argument, argument);
        CliRun cli;
        QCOMPARE(cli.run(arguments), status);
        QVERIFY2(cli.err().contains(message), qPrintable(cli.err()));
    }

    // "read -o" leaves a file that is exactly the configuration read, whatever a file of that
    // name held, and whatever bytes its name is made of.
    void readLeavesOnlyTheBytesRead_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("plain name") << QByteArray("letto.con");
        QTest::newRow("name not UTF-8") << QByteArray("letto-caf\xE9.con");
    }
    void readLeavesOnlyTheBytesRead() {
        QFETCH(QByteArray, name);
        const QByteArray path = QFile::encodeName(home->path()) + '/' + name;
        writeFileNamed(path, QByteArray(100, 'x'));
        SimulatedPeripheral p;
        QVERIFY(p.start(peripheralOptions('K', sampleProteusX())));
        CliRun cli;
        p.answerPrompts(cli);
        QCOMPARE(cli.run(arguments({"read", "--port", p.device().toUtf8(), "-o", path})), 0);
        QCOMPARE(contentNamed(path).value_or("missing"), conf::fileContent(1, 0, p.sim->image()));
    }

    // A configuration file whose name is not UTF-8 (made on an older system) opens like any.
    void namesThatAreNotUtf8Open_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTF-8") << QByteArray("caf\xC3\xA9.con") << QStringLiteral("café.con");
        QTest::newRow("Latin-1") << QByteArray("caf\xE9.con") << QStringLiteral("caf\uFFFD.con");
    }
    void namesThatAreNotUtf8Open() {
        QFETCH(QByteArray, name);
        QFETCH(QString, shown);
        const QByteArray path = QFile::encodeName(home->path()) + '/' + name;
        writeFileNamed(path, conf::fileContent(1, 0, siteConfiguration()));
        {
            CliRun cli;
            QCOMPARE(cli.run(arguments({"decode", path})), 0);
            QVERIFY2(cli.out().contains(shown + QStringLiteral(" (62 byte)")),
                     qPrintable(cli.out()));
            QVERIFY(cli.out().contains(QStringLiteral("Proteus-X  [Protocollo]")));
        }
        {
            CliRun cli;
            QCOMPARE(cli.run(arguments({"decode", path + ".manca"})), 2);
            QVERIFY2(cli.err().contains(shown + QStringLiteral(".manca\": il file non esiste")),
                     qPrintable(cli.err()));
        }
        SimulatedPeripheral p;
        QVERIFY(p.start(peripheralOptions('K', sampleProteusX(), {0x0BADCAFE})));
        CliRun cli;
        p.answerPrompts(cli);
        QCOMPARE(cli.run(arguments({"write", path, "--port", p.device().toUtf8(), "--log",
                                    QFile::encodeName(file("registro.csv"))})),
                 0);
        QCOMPARE(p.stored.size(), 1);
        verifyProgrammed(p.stored.first(), 0x0BADCAFE);
        QVERIFY(logLinesOf(file("registro.csv")).last().contains(shown));
    }

    // diff: the status tells equal files from different ones; each change on a line of its own.
    void diffListsWhatChanges_data() {
        QTest::addColumn<QByteArray>("markers"); // of the second file
        QTest::addColumn<QList<int>>("bytes");   // image byte and value, in pairs, it changes
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("equal") << QByteArray("KV") << QList<int>{} << 0
                               << QStringList{"I file @a e @b hanno la stessa configurazione."};
        QTest::newRow("code and siren time")
            << QByteArray("KV") << QList<int>{27, 0x2E, 45, 40} << 15
            << QStringList{"Codice Periferica: 301 → 302", "Tempo Sirena (s): 33 → 40"};
        QTest::newRow("a network of the list")
            << QByteArray("KV") << QList<int>{25, 40} << 15
            << QStringList{"Codice Rete: 00077 → 00040 Quaranta"};
        QTest::newRow("firmware marker")
            << QByteArray("WV") << QList<int>{} << 15
            << QStringList{"Firmware: K (M6 e successive) → W (precedenti alla M6)"};
        QTest::newRow("only the checksum byte") << QByteArray("KV") << QList<int>{64, 0} << 15
                                                << QStringList{"Byte 64 (checksum): @sum → 0x00"};
    }
    void diffListsWhatChanges() {
        QFETCH(QByteArray, markers);
        QFETCH(QList<int>, bytes);
        QFETCH(QStringList, lines);
        Image other = siteWithCode301();
        for (int i = 0; i + 1 < bytes.size(); i += 2)
            other[bytes[i]] = static_cast<std::uint8_t>(bytes[i + 1]);
        const QString a =
            writeFile(file("impianto.con"), conf::fileContent(1, 0, siteWithCode301()));
        const QString b =
            writeFile(file("altro.con"), markers + conf::fileContent(1, 0, other).mid(2));
        CliRun cli;
        QVERIFY(QDir().mkpath(cli.dataFolder()));
        writeFile(cli.dataFolder() + QStringLiteral("/Reti.cfg"), "00040Quaranta\r\n");
        QTEST(cli.run({QStringLiteral("diff"), a, b}), "status");
        lines.replaceInStrings(QStringLiteral("@a"), quotedName(a));
        lines.replaceInStrings(QStringLiteral("@b"), quotedName(b));
        lines.replaceInStrings(QStringLiteral("@sum"),
                               QStringLiteral("0x") + byteHex(siteWithCode301()[64]));
        QCOMPARE(::lines(cli.out()), lines);
    }

    void decodeShowsEveryFieldUnderItsLabel() {
        const QString path =
            writeFile(file("campione.con"), conf::fileContent(1, 0, sampleProteusX()));
        CliRun cli;
        QCOMPARE(cli.run({QStringLiteral("decode"), path}), 0);
        const QString text = cli.out();
        for (const char* line :
             {"Firmware: K (M6 e successive)", "Banda: V (VHF)", "156.0000 MHz  [FrequenzaTX]",
              "Proteus-X  [Protocollo]", "REP  [ViaTX]", "79.7 Hz  [TonoSubAudio]",
              "2.5 s  [TempoAggancio]", "24 h  [CadenzaSopravvivenza]", "5 min",
              "ingresso 5  [SpontaneaIngresso]", "200 (Hex: C8)  [OffsetSicep1]"})
            QVERIFY2(text.contains(QLatin1String(line)), line);
        for (const char* label : {"Frequenza TX (Mhz)", "Tipo Frequenza", "Codice Rete",
                                  "Num. Tentativi", "Ingressi condizionati:", "Tempo Sirena (s)"})
            QVERIFY2(text.contains(QLatin1String(label)), label);
        // 1234ABCD: 12 + 34 + AB + CD = 1BE.
        QVERIFY2(text.contains(QStringLiteral("somma 0xBE (modulo 256)")), qPrintable(text));
    }

    // A checksum wrong for the serial number given ends with a status of its own; the listing
    // still comes out.
    void decodeJsonChecksTheChecksumWithASerialNumber_data() {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QJsonValue>("right");
        QTest::addColumn<int>("status");
        QTest::newRow("none") << QString() << QJsonValue(QJsonValue::Undefined) << 0;
        QTest::newRow("the peripheral's") << "00000001" << QJsonValue(true) << 0;
        QTest::newRow("another with the same sum") << "01000000" << QJsonValue(true) << 0;
        QTest::newRow("another") << "00000000" << QJsonValue(false) << 12;
    }
    void decodeJsonChecksTheChecksumWithASerialNumber() {
        QFETCH(QString, serial);
        QFETCH(QJsonValue, right);
        QFETCH(int, status);
        const QString path =
            writeFile(file("campione.con"), conf::fileContent(1, 1, sampleSicep()));
        CliRun cli;
        QStringList args{QStringLiteral("decode"), path, QStringLiteral("--json")};
        if (!serial.isEmpty())
            args << QStringLiteral("--serial") << serial;
        QCOMPARE(cli.run(args), status);
        const QJsonObject json = QJsonDocument::fromJson(cli.out().toUtf8()).object();
        const QJsonObject checksum = json[QStringLiteral("checksum")].toObject();
        QCOMPARE(checksum[QStringLiteral("sommaNumeroDiSerie")].toInt(), 1); // 00000001
        QCOMPARE(checksum[QStringLiteral("verificabile")].toBool(), !serial.isEmpty());
        QCOMPARE(checksum[QStringLiteral("corretto")], right);

        const QJsonObject fields = json[QStringLiteral("campi")].toObject();
        // Every field of the record but the serial number, which a file lacks, and the path.
        QStringList names{"FrequenzaTX",
                          "BandaUHF",
                          "PotenzaRF",
                          "RimappaturaIngressiSicep",
                          "TempoAggancio",
                          "Protocollo",
                          "InviaStati",
                          "ViaBidirezionale",
                          "TrasmissioniMultiple",
                          "ToniAlti",
                          "DoppioSalto",
                          "CodiceRep",
                          "IngressoBidi",
                          "NumTentativiTX",
                          "MaskIngressi",
                          "MaskIngressiCopia",
                          "CodiceRete",
                          "CodicePeriferica",
                          "NumIngressi",
                          "TonoSubAudio",
                          "NoRisincronizza",
                          "InvioSopravvivenza",
                          "CadenzaSopravvivenza",
                          "CentralinaIntegrata",
                          "SpontaneaACOff",
                          "SpontaneaIngresso",
                          "TempoCampionamentoMancanzaAC",
                          "DoppioMessaggio",
                          "TempoSirena",
                          "TempoUscita",
                          "TempoIngresso",
                          "OffsetSicep1",
                          "OffsetSicep2",
                          "ViaTX"};
        names.sort();
        QCOMPARE(fields.keys(), names);
        const auto field = [&fields](const char* name) {
            return fields[QLatin1String(name)].toObject();
        };
        QCOMPARE(json[QStringLiteral("banda")][QStringLiteral("marcatore")].toString(), "U");
        QCOMPARE(field("FrequenzaTX")[QStringLiteral("valore")].toDouble(), 433.925);
        QCOMPARE(field("FrequenzaTX")[QStringLiteral("unita")].toString(), "MHz");
        QCOMPARE(field("Protocollo")[QStringLiteral("nome")].toString(), "Sicep");
        QCOMPARE(field("CodicePeriferica")[QStringLiteral("valore")].toInt(), 1234);
        QCOMPARE(field("CodicePeriferica")[QStringLiteral("etichetta")].toString(),
                 "Codice Periferica");
        QCOMPARE(field("ViaTX")[QStringLiteral("nome")].toString(), "Diretta");
        QCOMPARE(field("InviaStati")[QStringLiteral("nome")].toString(), "Invia Stati");
        QCOMPARE(field("NoRisincronizza")[QStringLiteral("spuntata")].toBool(), true);
        QCOMPARE(field("MaskIngressiCopia")[QStringLiteral("etichetta")], QJsonValue());
    }
};

SELVANA_TEST_MAIN(TestCliEndToEnd)
#include "tst_cli_e2e.moc"
