#include "cli/cli_app.h"
#include "cli/command_line.h"
#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/programming_log.h"
#include "cli/write_image.h"
#include "common/detected_ports.h"
#include "common/sample_images.h"
#include "common/test_files.h"
#include "common/test_main.h"
#include "common/test_timing.h"
#include "core/files/config_file.h"
#include "core/files/file_names.h"
#include "core/networks/networks_file.h"
#include "serial/port_devices.h"
#include "serial/port_slots.h"
#include "serial/settings_store.h"

#ifdef Q_OS_UNIX
#include "simulator/peripheral_simulator.h"
#include "simulator/pty_pair.h"
#endif

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

using namespace selvana;
using namespace selvana::cli;
using Command = Options::Command;

namespace {

// A copy of an image with some bytes replaced.
Image withBytes(Image image, std::initializer_list<std::pair<int, int>> bytes) {
    for (const auto& [k, v] : bytes)
        image[k] = static_cast<std::uint8_t>(v);
    return image;
}

} // namespace

class TestCliParts : public QObject {
    Q_OBJECT

private slots:
    void validCommandLines_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("port");
        QTest::addColumn<double>("timeout"); // -1: not given
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("log");
        QTest::addColumn<bool>("json");
        QTest::addColumn<QString>("serial");
        QTest::newRow("decode") << QStringList{"decode", "a.con", "--json", "-s", "1234abcd"}
                                << int(Command::Decode) << "a.con"
                                << "" << -1.0 << 0 << "" << true << "1234ABCD";
        QTest::newRow("read") << QStringList{"read", "-p", "2", "-o", "b.con", "--timeout=2,5"}
                              << int(Command::Read) << "b.con"
                              << "2" << 2.5 << 0 << "" << false << "";
        QTest::newRow("program") << QStringList{"program", "--count", "3",  "c.con",
                                                "--log",   "x.csv",   "-t0"}
                                 << int(Command::Program) << "c.con"
                                 << "" << 0.0 << 3 << "x.csv" << false << "";
        QTest::newRow("a file named like an option")
            << QStringList{"write", "--port", "/dev/ttyS0", "--", "-strano.con"}
            << int(Command::Write) << "-strano.con"
            << "/dev/ttyS0" << -1.0 << 0 << "" << false << "";
        QTest::newRow("diff") << QStringList{"diff", "a.con", "b.con", "--json"}
                              << int(Command::Diff) << "a.con"
                              << "" << -1.0 << 0 << "" << true << "";
        QTest::newRow("ports") << QStringList{"porte"} << int(Command::Ports) << ""
                               << "" << -1.0 << 0 << "" << false << "";
        QTest::newRow("the only adapter")
            << QStringList{"read", "--port", "auto", "-o", "b.con"} << int(Command::Read) << "b.con"
            << "auto" << -1.0 << 0 << "" << false << "";
        QTest::newRow("help wins")
            << QStringList{"write", "--bogus", "-h"} << int(Command::Help) << ""
            << "" << -1.0 << 0 << "" << false << "";
    }
    void validCommandLines() {
        QFETCH(QStringList, arguments);
        QFETCH(int, command);
        Options o;
        const auto error = parseCommandLine(arguments, o);
        QVERIFY2(!error, error ? qPrintable(*error) : "");
        QCOMPARE(int(o.command), command);
        QTEST(o.file, "file");
        QTEST(o.port, "port");
        QTEST(o.timeoutS.value_or(-1.0), "timeout");
        QTEST(o.count, "count");
        QTEST(o.logPath, "log");
        QTEST(o.json, "json");
        QTEST(o.serial, "serial");
    }

    void invalidCommandLines_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason");
        QTest::newRow("negative time")
            << QStringList{"read", "-o", "x", "-t", "-1"} << "tempo massimo \"-1\"";
        QTest::newRow("count 0") << QStringList{"program", "f", "-n", "0"}
                                 << "numero di periferiche";
        QTest::newRow("short serial") << QStringList{"decode", "f", "-s", "12"} << "8 cifre";
        QTest::newRow("two files") << QStringList{"decode", "a", "b"} << "un solo file";
        QTest::newRow("value missing") << QStringList{"read", "-o"} << "manca il valore";
        QTest::newRow("value on a switch")
            << QStringList{"decode", "f", "--json=1"} << "non accetta valori";
        QTest::newRow("read with a file") << QStringList{"read", "x.con"} << "-o FILE";
        QTest::newRow("ports with a file")
            << QStringList{"porte", "x"} << "il comando porte non accetta \"x\"";
        QTest::newRow("ports with a port")
            << QStringList{"porte", "-p", "1"} << "l'opzione --port non vale per il comando porte";
        QTest::newRow("unknown command")
            << QStringList{"ports"} << "program, porte, encode e registro";
        QTest::newRow("diff of one file") << QStringList{"diff", "a.con"} << "diff A.con B.con";
        QTest::newRow("a trial read back")
            << QStringList{"write", "f", "--prova", "--verifica"} << "non entrambe";
        QTest::newRow("a trial of a batch") << QStringList{"program", "f", "--prova"}
                                            << "l'opzione --prova non vale per il comando program";
        QTest::newRow("unknown option")
            << QStringList{"decode", "f", "--fast"} << "opzione sconosciuta \"--fast\"";
    }
    void invalidCommandLines() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);
        Options o;
        const auto error = parseCommandLine(arguments, o);
        QVERIFY(error);
        QVERIFY2(error->contains(reason), qPrintable(*error));
    }

    void portsResolveAsInTheWindow() {
        SettingsStore settings;
        QSettings(QSettings::IniFormat, QSettings::UserScope, "SelvanaM", "SelvanaM").clear();
        settings.SaveSetting(QStringLiteral("Device2"), QStringLiteral("/dev/pts/42"));
        QString error;
        QCOMPARE(resolvePort(QStringLiteral("2"), settings, &error).value_or("?"),
                 QStringLiteral("/dev/pts/42"));
        QCOMPARE(resolvePort(QStringLiteral("4"), settings, &error).value_or("?"),
                 defaultDeviceForPort(4));
        QCOMPARE(resolvePort(QStringLiteral("/dev/ttyACM0"), settings, &error).value_or("?"),
                 QStringLiteral("/dev/ttyACM0"));
        QVERIFY(!resolvePort(QString(), settings, &error)); // no port chosen in the window
        settings.SaveSetting(QStringLiteral("Port"), QStringLiteral("2"));
        QCOMPARE(resolvePort(QString(), settings, &error).value_or("?"),
                 QStringLiteral("/dev/pts/42"));
        for (const char* wrong : {"0", "5", "12", "-1", "+7"}) {
            error.clear();
            QVERIFY(!resolvePort(QLatin1String(wrong), settings, &error));
            QVERIFY2(error.contains(QStringLiteral("da 1 a 4")), qPrintable(error));
        }
    }

    // File names keep every byte: the name the system holds comes back from the argument.
    void argumentsKeepEveryByte_data() {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<bool>("kept"); // bytes only the command line's own access reaches
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << QByteArray("impianto.con") << false << "impianto.con";
        QTest::newRow("UTF-8") << QByteArray("caf\xC3\xA9.con") << false << "café.con";
        QTest::newRow("Latin-1") << QByteArray("caf\xE9.con") << true << "caf\uFFFD.con";
        QTest::newRow("a cut sequence, then UTF-8")
            << QByteArray("/d/\xE2\x82-\xE2\x82\xAC.con") << true << "/d/\uFFFD\uFFFD-\u20AC.con";
        QTest::newRow("an encoded replacement character")
            << QByteArray("\xEF\xBF\xBD.con") << false << "\uFFFD.con";
    }
    void argumentsKeepEveryByte() {
#ifdef Q_OS_WIN
        QSKIP("Windows hands a program its arguments as UTF-16 text, never as bytes");
#endif
        QFETCH(QByteArray, raw);
        QByteArray program("selvanam-cli");
        char* argv[] = {program.data(), raw.data(), nullptr};
        const QStringList arguments = argumentsOf(2, argv);
        QCOMPARE(arguments.size(), 1);
        QCOMPARE(nameBytes(arguments.first()), raw);
        QTEST(hasRawBytes(arguments.first()), "kept");
        QTEST(shownName(arguments.first()), "shown");
    }

    // A code the file holds that the editor would not let through is named as the file holds it.
    void refusedCodeNamedByItsBytes_data() {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::addColumn<QString>("named");
        QTest::newRow("Proteus-X, a negative number")
            << 1 << 0x90 << 0x00 << "(36864, byte 26-27 = 0x90 0x00)";
        QTest::newRow("Proteus-X, over 9999") << 1 << 0x27 << 0x10 << "(10000, byte 26-27";
        QTest::newRow("Proteus, over 1023") << 0 << 0x04 << 0x00 << "(1024, byte 26-27";
        QTest::newRow("Sicep, not BCD") << 2 << 0x9A << 0x00 << "(9A00, byte 26-27 = 0x9A 0x00)";
        QTest::newRow("Sicep, zero") << 2 << 0x00 << 0x00 << "(0, byte 26-27 = 0x00 0x00)";
    }
    void refusedCodeNamedByItsBytes() {
        QFETCH(int, protocol);
        QFETCH(int, high);
        QFETCH(int, low);
        const Image image =
            withBytes(testing::sampleProteusX(), {{15, 0x60 | protocol}, {26, high}, {27, low}});
        const auto file = conf::parse(conf::fileContent(1, 0, image));
        QVERIFY(file);
        Image out{};
        const auto error = buildWriteImage(image, 1, NetworkList{}, *file, out);
        QVERIFY(error);
        QFETCH(QString, named);
        QVERIFY2(error->contains(named), qPrintable(*error));
    }

    // A file whose every input is conditioned cannot report a mains failure: refused, as the
    // window refuses it, with firmware M6 and the panel only.
    void mainsFailureOnConditionedInputsRefused_data() {
        QTest::addColumn<int>("firmwareM6");
        QTest::addColumn<int>("panel");
        QTest::addColumn<int>("maskInverted");
        QTest::addColumn<bool>("refused");
        QTest::newRow("M6, every input conditioned") << 1 << 1 << 0x00 << true;
        QTest::newRow("M6, inputs 1 to 4 of 4 conditioned") << 1 << 1 << 0xF0 << true;
        QTest::newRow("M6, input 4 free") << 1 << 1 << 0xF8 << false;
        QTest::newRow("M6 without the panel") << 1 << 0 << 0x00 << false;
        QTest::newRow("before M6") << 0 << 1 << 0x00 << false;
    }
    void mainsFailureOnConditionedInputsRefused() {
        QFETCH(int, firmwareM6);
        QFETCH(int, panel);
        QFETCH(int, maskInverted);
        const Image image = withBytes(testing::sampleProteusX(), // 4 inputs, input 5 on
                                      {{37, panel}, {22, maskInverted}, {38, 0x10}});
        const auto file = conf::parse(conf::fileContent(firmwareM6, 0, image));
        QVERIFY(file);
        Image out{};
        const auto error =
            buildWriteImage(image, std::uint8_t(firmwareM6), NetworkList{}, *file, out);
        QTEST(error.has_value(), "refused");
        if (error)
            QVERIFY2(error->contains(QStringLiteral("\"Spontanea su mancanza rete\"")),
                     qPrintable(*error));
    }

    // The command line reads the networks list of the window that goes with it: beside the
    // window program, installed or copied with it or in its folder of a build, else in the
    // per-user data folder; the file is never written.
    void windowNetworksList_data() {
        QTest::addColumn<QString>("window"); // where the window program is, from the command line's
        QTest::addColumn<bool>("beside");    // the list is the one beside it
        QTest::newRow("installed together") << "." << true;
        QTest::newRow("a build") << "../selvanam" << true;
        QTest::newRow("no window program") << "" << false;
    }
    void windowNetworksList() {
        QFETCH(QString, window);
        QFETCH(bool, beside);
        QTemporaryDir root;
        const QString cliFolder = root.filePath(QStringLiteral("selvanam-cli"));
        QVERIFY(QDir().mkpath(cliFolder));
        QString windowFolder;
        if (!window.isEmpty()) {
            windowFolder = QDir::cleanPath(QDir(cliFolder).filePath(window));
            QVERIFY(QDir().mkpath(windowFolder));
#ifdef Q_OS_WIN
            QFile program(QDir(windowFolder).filePath(QStringLiteral("selvanam.exe")));
#else
            QFile program(QDir(windowFolder).filePath(QStringLiteral("selvanam")));
#endif
            QVERIFY(program.open(QIODevice::WriteOnly));
            program.setPermissions(program.permissions() | QFile::ExeOwner);
            testing::writeAll(networksFilePath(windowFolder), "00012Vicino\r\n");
        }
        const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(QDir().mkpath(perUser));
        testing::writeAll(networksFilePath(perUser), "00345Utente\r\n");

        QCOMPARE(cli::windowProgramFolder(cliFolder), windowFolder);
        QString warning;
        const NetworkList list = cli::windowNetworkList(cliFolder, &warning);
        QCOMPARE(warning, QString());
        QCOMPARE(list[1], beside ? QByteArray("00012Vicino") : QByteArray("00345Utente"));
        QCOMPARE(testing::readAll(networksFilePath(beside ? windowFolder : perUser)),
                 beside ? QByteArray("00012Vicino\r\n") : QByteArray("00345Utente\r\n"));
        QFile::remove(networksFilePath(perUser));
    }

    // A port of the window whose adapter got another name is followed, the settings left alone.
    void portNumberFollowsItsAdapter() {
        QSettings(QSettings::IniFormat, QSettings::UserScope, "SelvanaM", "SelvanaM").clear();
        SettingsStore settings;
        storeSlot(2, {"/dev/ttyUSB0", adapterIdentity(testing::ftdiAdapter("/dev/ttyUSB0"))},
                  settings);
        const ListedPorts ports({testing::ftdiAdapter("/dev/ttyUSB3")});
        QString error;
        QCOMPARE(resolvePort("2", settings, &error, &ports).value_or("?"),
                 QStringLiteral("/dev/ttyUSB3"));
        QCOMPARE(deviceForPort(2, settings), QStringLiteral("/dev/ttyUSB0"));
    }

    // "porte" lists what is present and the ports of the window; "--port auto" takes the only
    // adapter, and with none or several says which are there.
    void portsAndTheOnlyAdapter_data() {
        QTest::addColumn<int>("adapters");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("out"); // whole lines; %1 the first adapter
        QTest::addColumn<QString>("err");
        // The ports of the window and the first adapter have the system's usual names.
        const auto port = [](int n) { return testing::unassignedDevice(n); };
        const QString first =
            port(1) + " — FT232R USB UART (FTDI, USB 0403:6001, n. di serie A1B2C3)";
        const QString acm = "/dev/ttyACM0 — Arduino Uno (Arduino (www.arduino.cc), USB 2341:0043)";
        QTest::newRow("porte, none")
            << 0 << QStringList{"porte"} << int(cli::kOk)
            << QStringList{"Nessun adattatore seriale collegato.",
                           "Porte della finestra (\"Impostazioni\"):",
                           "  Com 01: " + port(1) + " (non rilevata)  ← porta scelta",
                           "  Com 02: " + port(2) + " (non rilevata)",
                           "  Com 03: " + port(3) + " (non rilevata)",
                           "  Com 04: " + port(4) + " (non rilevata)"}
            << "";
        QTest::newRow("porte, one") << 1 << QStringList{"porte"} << int(cli::kOk)
                                    << QStringList{"Porte seriali rilevate:",
                                                   "  " + first + "  → Com 01:",
                                                   "Porte della finestra (\"Impostazioni\"):",
                                                   "  Com 01: " + first + "  ← porta scelta",
                                                   "  Com 02: " + port(2) + " (non rilevata)",
                                                   "  Com 03: " + port(3) + " (non rilevata)",
                                                   "  Com 04: " + port(4) + " (non rilevata)"}
                                    << "";
        QTest::newRow("porte, two") << 2 << QStringList{"porte"} << int(cli::kOk)
                                    << QStringList{"Porte seriali rilevate:",
                                                   "  " + first + "  → Com 01:",
                                                   "  " + acm,
                                                   "Porte della finestra (\"Impostazioni\"):",
                                                   "  Com 01: " + first + "  ← porta scelta",
                                                   "  Com 02: " + port(2) + " (non rilevata)",
                                                   "  Com 03: " + port(3) + " (non rilevata)",
                                                   "  Com 04: " + port(4) + " (non rilevata)"}
                                    << "";
        QTest::newRow("auto, none")
            << 0 << QStringList{"read", "--port", "auto", "-o", "letto.con"} << int(cli::kPortError)
            << QStringList{}
            << "Errore: --port auto: nessun adattatore seriale collegato; collegarlo e riprovare "
               "(selvanam-cli porte elenca le porte presenti).";
        QTest::newRow("auto, one: read through it")
            << 1 << QStringList{"read", "--port", "auto", "-o", "letto.con", "-t", "10"}
            << int(cli::kOk) << QStringList{} << "Collegare l'apparato alla porta %1 ";
        QTest::newRow("auto, two")
            << 2 << QStringList{"read", "--port", "AUTO", "-o", "letto.con"} << int(cli::kUsage)
            << QStringList{}
            << "Errore: --port auto: sono collegati 2 adattatori seriali, indicarne uno con "
               "--port: " +
                   first + "; " + acm + ".";
    }
    void portsAndTheOnlyAdapter() {
        QFETCH(int, adapters);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, out);
        QFETCH(QString, err);
        QSettings(QSettings::IniFormat, QSettings::UserScope, "SelvanaM", "SelvanaM").clear();
        SettingsStore().SaveSetting("Port", "1");
        QTemporaryDir dir;
        arguments.replaceInStrings("letto.con", dir.filePath("letto.con"));

        // The first adapter is a simulated peripheral when a read goes through it.
        const bool reads = QTest::currentDataTag() == QByteArray("auto, one: read through it");
        QString firstDevice = testing::unassignedDevice(1);
#ifdef Q_OS_UNIX
        sim::PtyPair pty;
        std::unique_ptr<sim::PeripheralSimulator> peripheral;
        QTimer reset;
        if (reads) {
            QVERIFY(pty.open());
            peripheral = std::make_unique<sim::PeripheralSimulator>(pty, sim::SimulatorOptions{});
            firstDevice = pty.slavePath();
            reset.setInterval(5);
            QObject::connect(&reset, &QTimer::timeout, [&] {
                if (peripheral->portOpen()) {
                    reset.stop();
                    peripheral->pressReset();
                }
            });
            reset.start();
        }
#else
        if (reads)
            QSKIP("the simulated peripheral needs a pseudo-terminal: the Windows programs meet "
                  "it end to end");
#endif
        const QList<DetectedPort> present{testing::ftdiAdapter(firstDevice),
                                          testing::acmAdapter("/dev/ttyACM0")};
        const ListedPorts ports(present.mid(0, adapters));

        QString stdOut;
        QString stdErr;
        Console console(&stdOut, &stdErr);
        const int status = runCommandLine(arguments, console, ports, testing::testTiming());
        QTEST(status, "status");
        if (!out.isEmpty())
            QCOMPARE(stdOut.split('\n', Qt::SkipEmptyParts), out);
        QVERIFY2(stdErr.contains(QString(err).replace("%1", firstDevice)), qPrintable(stdErr));
        QCOMPARE(QFile::exists(dir.filePath("letto.con")), reads);
    }

    void theLogQuotesWhatNeedsIt() {
        QTemporaryDir dir;
        ProgrammingLog log(dir.filePath(QStringLiteral("sub/log.csv")), true);
        QVERIFY(!log.open());
        QVERIFY(!log.open()); // the header only once
        const LogEntry entry{QDateTime(QDate(2026, 12, 8), QTime(9, 5, 1)),
                             "1234ABCD",
                             "/cantiere; lotto \"A\".con",
                             "RIFIUTATA",
                             "Programmazione Periferica Fallita",
                             ""};
        QVERIFY(!log.append(entry));
        QFile file(log.path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
                 QByteArray("\xEF\xBB\xBF"
                            "data_ora;numero_di_serie;file;esito;dettaglio;copia_di_sicurezza\r\n"
                            "2026-12-08 09:05:01;1234ABCD;\"" +
                            QDir::toNativeSeparators("/").toUtf8() + // as the installer writes it
                            "cantiere; lotto \"\"A\"\".con\";"
                            "RIFIUTATA;Programmazione Periferica Fallita;\r\n"));
        ProgrammingLog missingFolder(dir.filePath(QStringLiteral("none/log.csv")));
        const auto error = missingFolder.open();
        QVERIFY(error && error->contains(QStringLiteral("--log")));
    }
};

SELVANA_TEST_MAIN(TestCliParts)
#include "tst_cli_parts.moc"
