#include "cli/cli_app.h"
#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/write_image.h"
#include "common/editor_rig.h"
#include "common/test_files.h"
#include "common/test_main.h"
#include "common/test_timing.h"
#include "core/files/config_file.h"
#include "core/image/config_decoder.h"
#include "core/image/frequency_codec.h"
#include "core/networks/networks_file.h"
#include "serial/port_enumerator.h"
#include "serial/system_serial_link.h"
#include "simulator/peripheral_simulator.h"
#include "simulator/pty_pair.h"

#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTimer>

#include <functional>
#include <memory>

using namespace selvana;
using namespace selvana::testing;

// The command line writes what the window writes: random configuration files go through the
// window's "Importa" and "Programmazione" and through the command line's write, and each one
// either reaches the peripheral as the same write frame from both, or is refused by both with
// the same words.

namespace {

const QLocale kItalian(QLocale::Italian, QLocale::Italy);
constexpr int kPlausibleFiles = 170;
constexpr int kRandomFiles = 80;

// One configuration file and the peripheral it is written into.
struct Case {
    QString name;
    QByteArray file;  // 62 bytes
    Image peripheral; // as the peripheral holds it
    char announce;    // 'K' firmware M6, 'W' before M6
};

// How a write ended.
struct Outcome {
    enum Kind { Written, NotSuitable, CodeNotValid, NotCollected };
    Kind kind = Written;
    QByteArray frame; // Written: the write frame
    QString message;  // otherwise: what the installer is told (nothing for a red code box)
};

const char* const kKindNames[] = {"written", "file not suited", "code not valid",
                                  "field not collected"};

// A networks list with a few networks: a Proteus peripheral keeps a listed network only.
QByteArray networksFile() {
    NetworkList list = defaultNetworkList();
    list[1] = "00012Nord";
    list[3] = "00345Est";
    list[4] = "01234Ponte Monte Rosa";
    return networksFileContent(list);
}

// ---- random configurations ----

class Generator {
public:
    explicit Generator(quint32 seed) : rng_(seed) {}

    int below(int n) { return static_cast<int>(rng_.bounded(n)); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T> T pick(std::initializer_list<T> values) {
        return values.begin()[below(static_cast<int>(values.size()))];
    }
    std::uint8_t byte() { return static_cast<std::uint8_t>(below(256)); }

    static void setFrequency(Image& image, double mhz) {
        const QString word = CodificaFrequenza(mhz);
        image[5] = static_cast<std::uint8_t>((image[5] & 0xFE) | word.left(2).toInt(nullptr, 16));
        image[6] = static_cast<std::uint8_t>(word.mid(2, 2).toInt(nullptr, 16));
        image[7] = static_cast<std::uint8_t>(word.mid(4, 2).toInt(nullptr, 16));
    }
    static void setWord(Image& image, int at, int value) {
        image[at] = static_cast<std::uint8_t>(value >> 8);
        image[at + 1] = static_cast<std::uint8_t>(value);
    }

    // One field of a plausible image changed, to a value of its edges or at random.
    void mutate(Image& b) {
        switch (below(18)) {
        case 0: // protocol, codes 6 and 7 included
            b[15] = static_cast<std::uint8_t>((b[15] & 0xF8) | below(8));
            break;
        case 1: // states, bidirectional, multiple transmissions, high tones
            b[15] ^= pick({0x08, 0x10, 0x20, 0x40});
            break;
        case 2: // path
            b[17] = pick<std::uint8_t>({0x00, 0xFF, 0xFE, byte()});
            b[16] = pick<std::uint8_t>({0, 1, 7, 8, 9, 64, 65, 200, byte()});
            break;
        case 3: // network: listed, unlisted, none
            setWord(b, 24, pick({0, 12, 345, 1234, 77, below(65536)}));
            break;
        case 4: { // peripheral code, plain or packed BCD
            const int code = pick({0, 1, 300, 1023, 1024, 5000, 9999, 10000, below(65536)});
            if ((b[15] & 7) == 2 && code <= 9999 && chance(80))
                setWord(b, 26, QString::number(code).toInt(nullptr, 16));
            else
                setWord(b, 26, code);
            break;
        }
        case 5: // number of inputs
            b[28] = static_cast<std::uint8_t>((b[28] & 0xE0) | pick({1, 2, 4, 6, 8, 0, 3, 12}));
            break;
        case 6: // tone and resynchronisation
            b[33] = byte();
            break;
        case 7: // survival
            setWord(b, 35, pick({0xFFFF, 60, 24 * 60, 240 * 60, 546 * 60, 547 * 60, below(65536)}));
            break;
        case 8: // integrated panel
            b[37] = pick<std::uint8_t>({0, 1, byte()});
            break;
        case 9: // mains failure and its input
            b[38] = pick<std::uint8_t>({0, static_cast<std::uint8_t>(1 << below(8)), byte()});
            break;
        case 10: // sampling time
            setWord(b, 39, pick({0, 60, 5 * 60, 240 * 60, 546 * 60, 547 * 60, below(65536)}));
            break;
        case 11: // double message
            b[41] = static_cast<std::uint8_t>(below(2));
            break;
        case 12: // entry, exit and siren times
            b[45 + below(3)] = pick<std::uint8_t>({0, 1, 255, byte()});
            break;
        case 13: // SICEP offsets
            b[51 + below(2)] = byte();
            break;
        case 14: // lock time
            b[11] = pick<std::uint8_t>({0, 1, 255, byte()});
            break;
        case 15: // conditioned inputs
            b[22] = byte();
            b[23] = chance(50) ? static_cast<std::uint8_t>(~b[22]) : byte();
            break;
        case 16: // frequency: in the band, at its edges, outside it, any word
            if (chance(80))
                setFrequency(b, pick({146.0, 156.0, 173.9875, 433.92, 445.0, 469.9875, 140.0, 175.5,
                                      400.0}));
            else
                for (int k = 5; k <= 7; ++k)
                    b[k] = byte();
            break;
        default: // attempts
            b[20] = pick<std::uint8_t>({1, 3, 5, 0, 2, byte()});
            break;
        }
    }

    // The peripheral a file is written into: most of the time one the file suits.
    Image peripheralFor(bool uhf) {
        Image image = uhf ? sampleSicep() : sampleProteusX();
        for (int k : {13, 14, 18, 19, 31, 32, 42, 43, 44, 50, 53, 55}) // kept by a write
            image[k] = byte();
        for (int n = below(3); n > 0; --n)
            mutate(image);
        if (uhf != (frequencyOf(image) > 399.0))
            setFrequency(image, uhf ? 433.92 : 156.0);
        sim::setSerialNumber(image, rng_.generate());
        image[64] = CalcolaCKSSave(image);
        return image;
    }

    static double frequencyOf(const Image& image) {
        ConfigRecord record;
        Analyze2(image, QString(), record);
        return record.FrequenzaTX;
    }

    Case plausible(int n) {
        Image body = chance(50) ? sampleProteusX() : sampleSicep();
        for (int k = 1 + below(4); k > 0; --k)
            mutate(body);
        const bool m6 = chance(50);
        const bool uhf = frequencyOf(body) > 399.0;
        return finish(QStringLiteral("plausible %1").arg(n), body, m6, uhf);
    }

    Case random(int n) {
        Image body{};
        for (int k = 5; k <= 64; ++k)
            body[k] = byte();
        return finish(QStringLiteral("random %1").arg(n), body, chance(50), chance(50));
    }

private:
    // Markers mostly as made for the peripheral, sometimes not; now and then a letter that is
    // neither marker.
    Case finish(const QString& name, const Image& body, bool m6, bool uhf) {
        const bool suitedFirmware = chance(90);
        const bool suitedBand = chance(90);
        char firmware = m6 ? 'K' : 'W';
        if (m6 && chance(5))
            firmware = 'X'; // counts as M6
        char band = uhf ? 'U' : 'V';
        if (!uhf && chance(5))
            band = '?'; // counts as VHF
        QByteArray file;
        file.append(firmware).append(band);
        for (int k = 5; k <= 64; ++k)
            file.append(static_cast<char>(body[k]));
        const bool peripheralM6 = suitedFirmware ? m6 : !m6;
        return {name, file, peripheralFor(suitedBand ? uhf : !uhf), peripheralM6 ? 'K' : 'W'};
    }

    QRandomGenerator rng_;
};

// ---- the two front ends ----

// The window: a read of the peripheral through the programming run, "Importa" through the
// dialog layer, then "Programmazione" if the window offers it.
Outcome throughWindow(EditorRig& r, const Case& c, const QString& path) {
    r.show(c.peripheral, c.announce == 'K' ? 1 : 0);
    const qsizetype messages = r.dialogs.messages.size();
    r.dialogs.openPath = path;
    r.w<QPushButton>(Ctl::btnImporta)->click();
    if (r.dialogs.messages.size() > messages)
        return {Outcome::NotSuitable, {}, r.dialogs.messages.last()};
    if (!r.saveEnabled()) // the code is red: the window writes nothing
        return {Outcome::CodeNotValid, {}, {}};
    const qsizetype writes = r.link.writes.size();
    r.window->command(QStringLiteral("SAVE"))->trigger();
    if (r.dialogs.messages.size() > messages)
        return {Outcome::NotCollected, {}, r.dialogs.messages.last()};
    if (r.link.writes.size() == writes)
        return {Outcome::NotCollected, {}, QStringLiteral("nothing sent, nothing said")};
    return {Outcome::Written, r.link.writes.last(), {}};
}

// The command line's own path: the image it builds for that peripheral, as its write frame.
Outcome throughCommandLine(const Case& c, const NetworkList& networks) {
    const conf::ConfigFile file = *conf::parse(c.file);
    const std::uint8_t m6 = c.announce == 'K' ? 1 : 0;
    Image saveImage{};
    if (const auto refusal = cli::buildWriteImage(c.peripheral, m6, networks, file, saveImage)) {
        if (refusal->startsWith(QLatin1String("Attenzione: file di configurazione")))
            return {Outcome::NotSuitable, {}, *refusal};
        if (refusal->contains(QLatin1String("\"Codice Periferica\"")))
            return {Outcome::CodeNotValid, {}, *refusal};
        return {Outcome::NotCollected, {}, *refusal};
    }
    return {Outcome::Written, buildWriteFrame(saveImage), {}};
}

QString describe(const Outcome& o) {
    return QStringLiteral("%1 %2%3").arg(QLatin1String(kKindNames[o.kind]),
                                         QString::fromLatin1(o.frame.toHex(' ')), o.message);
}

// The write frame among what a peripheral received, if any.
QByteArray writeFrameIn(const QByteArray& received) {
    const qsizetype at = received.indexOf("\nP");
    return at < 0 ? QByteArray() : received.mid(at, frame::kWriteFrameSize);
}

// A simulated peripheral on a pseudo-terminal that presses RESET whenever its port is opened.
struct Peripheral {
    sim::PtyPair pty;
    std::unique_ptr<sim::PeripheralSimulator> sim;
    QByteArray received;
    QTimer reset;
    bool resetDone = false;

    bool start(const Case& c) {
        if (!pty.open())
            return false;
        sim::SimulatorOptions options;
        options.announce = c.announce;
        options.image = c.peripheral;
        sim = std::make_unique<sim::PeripheralSimulator>(pty, options);
        QObject::connect(sim.get(), &sim::PeripheralSimulator::received,
                         [this](const QByteArray& bytes) { received += bytes; });
        reset.setInterval(2);
        QObject::connect(&reset, &QTimer::timeout, [this] {
            if (!resetDone && sim->portOpen()) {
                resetDone = true;
                sim->pressReset();
            }
        });
        reset.start();
        return true;
    }
};

} // namespace

class TestCliEquivalence : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> memoryHome;
    std::unique_ptr<QTemporaryDir> files;
    QList<Case> cases;
    QList<Outcome> windowOutcomes;

private slots:
    void initTestCase() {
        QLocale::setDefault(kItalian);
        // Every read and write syncs files (the networks list, the backups) to the disk: on a
        // file system in memory, when there is one, that costs nothing.
        if (QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
            memoryHome = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/selvana-XXXXXX"));
            if (memoryHome->isValid()) {
                qputenv("HOME", QFile::encodeName(memoryHome->path()));
                qputenv("TMPDIR", QFile::encodeName(memoryHome->path()));
            }
        }
        files = std::make_unique<QTemporaryDir>();
        bool fixed = false;
        quint32 seed = qEnvironmentVariableIntValue("SELVANA_EQUIVALENCE_SEED", &fixed);
        if (!fixed)
            seed = 20261208;
        qInfo("seed %u (SELVANA_EQUIVALENCE_SEED repeats a run)", seed);
        Generator generate(seed);
        for (int n = 0; n < kPlausibleFiles; ++n)
            cases << generate.plausible(n);
        for (int n = 0; n < kRandomFiles; ++n)
            cases << generate.random(n);
    }

    // Every file through the same window, one after the other, and through the command line.
    void windowAndCommandLineWriteTheSame() {
        const QByteArray networks = networksFile();
        EditorRig window(&networks);
        // Files share codes, and the writes the window sent hold them: it writes anyway, as the
        // command line's image ignores the register.
        window.dialogs.answer = true;
        const ListedPorts noAdapters; // the system's would be looked up at every read
        window.window->setPortEnumerator(noAdapters);
        NetworkList list;
        QVERIFY(!readNetworkList(window.programFolder.path(), list));

        int counts[4] = {};
        bool generations[2][2] = {}; // [M6][UHF] written
        for (int i = 0; i < cases.size(); ++i) {
            const Case& c = cases[i];
            const QString path = files->filePath(QStringLiteral("%1.con").arg(i));
            writeAll(path, c.file);
            const Outcome byWindow = throughWindow(window, c, path);
            const Outcome byCommandLine = throughCommandLine(c, list);
            windowOutcomes << byWindow;
            QVERIFY2(byWindow.kind == byCommandLine.kind && byWindow.frame == byCommandLine.frame &&
                         (byWindow.kind == Outcome::CodeNotValid ||
                          byWindow.message == byCommandLine.message),
                     qPrintable(QStringLiteral("%1, file %2:\n window       %3\n command line %4")
                                    .arg(c.name, QString::fromLatin1(c.file.toHex(' ')),
                                         describe(byWindow), describe(byCommandLine))));
            if (byWindow.kind == Outcome::CodeNotValid) // the code box shows why
                QCOMPARE(foreColor(window.w(Ctl::txtCodicePeriferica)), kRed);

            // Refused before any RESET exactly when a peripheral it suits would refuse it.
            if (byWindow.kind != Outcome::NotSuitable) {
                const auto early = cli::checkWritable(*conf::parse(c.file), list);
                QCOMPARE(early.has_value(), byWindow.kind != Outcome::Written);
                if (byWindow.kind == Outcome::NotCollected)
                    QCOMPARE(*early, byWindow.message);
            }
            ++counts[byWindow.kind];
            if (byWindow.kind == Outcome::Written)
                generations[c.announce == 'K'][c.file[1] == 'U'] = true;
        }
        QString summary;
        for (int kind = 0; kind < 4; ++kind) {
            summary += QStringLiteral(" %1 %2;").arg(counts[kind]).arg(kKindNames[kind]);
            QVERIFY2(counts[kind] > 0, kKindNames[kind]); // every way out is taken
        }
        qInfo("%d files:%s", int(cases.size()), qPrintable(summary));
        for (const auto& byFirmware : generations)
            for (bool written : byFirmware)
                QVERIFY(written); // both generations, both bands written
    }

    // A few of them for real: the window on the serial layer and the command line's own command,
    // each against a simulated peripheral on a pseudo-terminal: the first file written to a VHF
    // peripheral of firmware M6 and to a UHF one before M6, and the first refused in each way.
    void somePeripheralsOnAPseudoTerminal() {
        QCOMPARE(windowOutcomes.size(), cases.size());
        QList<int> chosen;
        bool taken[4] = {};
        bool written[2] = {};
        for (int i = 0; i < cases.size(); ++i) {
            const Outcome::Kind kind = windowOutcomes[i].kind;
            const bool m6 = cases[i].announce == 'K';
            const bool uhf = cases[i].file[1] == 'U';
            if (kind == Outcome::Written && m6 != uhf && !written[m6]) {
                written[m6] = true;
                chosen << i;
            } else if (kind != Outcome::Written && !taken[kind]) {
                taken[kind] = true;
                chosen << i;
            }
        }
        QCOMPARE(chosen.size(), 5);

        // Both read the networks list from the per-user folder: no window program here.
        const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(QDir().mkpath(perUser));
        writeAll(networksFilePath(perUser), networksFile());
        QCOMPARE(cli::windowProgramFolder(QCoreApplication::applicationDirPath()), QString());

        ProgramState state;
        SystemSerialLink link;
        SettingsStore settings;
        RecordingDialogs dialogs;
        settings.SaveSetting(QStringLiteral("Port"), QStringLiteral("1"));
        MainWindow window(state, link, settings, dialogs, perUser);
        const ListedPorts noAdapters;
        window.setPortEnumerator(noAdapters);
        window.run().setTiming(testTiming());
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        for (int i : chosen) {
            const Case& c = cases[i];
            const QString path = files->filePath(QStringLiteral("%1.con").arg(i));
            const Outcome& expected = windowOutcomes[i];

            // The window: "LOAD" and RESET, "Importa", "Programmazione" when offered.
            Peripheral forWindow;
            QVERIFY(forWindow.start(c));
            settings.SaveSetting(QStringLiteral("Device1"), forWindow.pty.slavePath());
            int frames = 0;
            const auto counter = QObject::connect(&window.run(), &ProgrammingRun::framePresented,
                                                  [&frames] { ++frames; });
            window.command(QStringLiteral("LOAD"))->trigger();
            const auto tick = [&window] {
                window.run().tmrClock_Timer();
                return false;
            };
            QVERIFY(QTest::qWaitFor([&] { return frames > 0 || tick(); }, 5000));
            QObject::disconnect(counter);
            const qsizetype messages = dialogs.messages.size();
            dialogs.openPath = path;
            window.editor().widget<QPushButton>(Ctl::btnImporta)->click();
            if (window.command(QStringLiteral("SAVE"))->isEnabled() &&
                dialogs.messages.size() == messages) {
                window.command(QStringLiteral("SAVE"))->trigger();
                const auto answered = [&] {
                    return window.findChild<QLabel*>(QStringLiteral("lblPrepare"))->text() ==
                           ProgrammingRun::promptWritten();
                };
                if (expected.kind == Outcome::Written)
                    QVERIFY(QTest::qWaitFor([&] { return answered() || tick(); }, 5000));
            }
            QCOMPARE(writeFrameIn(forWindow.received), expected.frame);
            window.command(QStringLiteral("END"))->trigger();

            // The command line: "write FILE --port DEVICE".
            Peripheral forCommandLine;
            QVERIFY(forCommandLine.start(c));
            QString out;
            QString err;
            cli::Console console(&out, &err);
            const int status =
                cli::runCommandLine({QStringLiteral("write"), path, QStringLiteral("--port"),
                                     forCommandLine.pty.slavePath(), QStringLiteral("--log"),
                                     files->filePath(QStringLiteral("registro.csv")),
                                     QStringLiteral("--timeout"), QStringLiteral("10")},
                                    console, noAdapters, testTiming());
            QCOMPARE(writeFrameIn(forCommandLine.received), expected.frame);
            switch (expected.kind) {
            case Outcome::Written:
                QCOMPARE(status, int(cli::kOk));
                break;
            case Outcome::NotSuitable:
                QCOMPARE(status, int(cli::kNotSuitable));
                QVERIFY2(out.contains(expected.message), qPrintable(out));
                break;
            case Outcome::CodeNotValid:
                QCOMPARE(status, int(cli::kInvalid));
                QVERIFY2(err.contains(QStringLiteral("\"Codice Periferica\"")), qPrintable(err));
                QVERIFY(!forCommandLine.resetDone); // refused before any RESET
                break;
            case Outcome::NotCollected:
                QCOMPARE(status, int(cli::kInvalid));
                QVERIFY2(err.contains(expected.message), qPrintable(err));
                QVERIFY(!forCommandLine.resetDone);
                break;
            }
        }
        qInfo("%d files on a pseudo-terminal", int(chosen.size()));
    }
};

SELVANA_TEST_MAIN(TestCliEquivalence)
#include "tst_cli_equivalence.moc"
