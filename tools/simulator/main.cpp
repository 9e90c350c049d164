// selvanam-sim: a simulated peripheral on a pseudo-terminal. The first line of stdout is the
// device path to give the programmer; the log goes to stderr; Enter presses RESET.

#include "core/files/atomic_file.h"
#include "core/link/frame_codec.h"
#include "simulator/image_source.h"
#include "simulator/peripheral_simulator.h"
#include "simulator/pty_pair.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace selvana;
using namespace selvana::sim;

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(signalPipe[1], &byte, 1);
}

void log(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

QString hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

[[noreturn]] void fail(const QString& message) {
    log(QStringLiteral("selvanam-sim: %1").arg(message));
    std::exit(2);
}

struct Fault {
    const char* name;
    const char* help;
    bool SimulatorFaults::*flag;
};

const Fault kFaults[] = {
    {"split-frame", "Send the read frame in two parts, --split-delay-ms apart.",
     &SimulatorFaults::splitFrame},
    {"noise", "Put a few bytes without line feeds before every message.", &SimulatorFaults::noise},
    {"garbage", "Send bursts of random bytes with line feeds now and then.",
     &SimulatorFaults::garbage},
    {"bad-checksum", "Send the read frame with a wrong checksum byte.",
     &SimulatorFaults::badChecksum},
    {"silent", "Never announce nor answer.", &SimulatorFaults::silent},
    {"no-write-answer", "Neither store nor answer write frames.", &SimulatorFaults::ignoreWrites},
    {"refuse-writes", "Answer every write frame with N.", &SimulatorFaults::refuseWrites},
    {"cut-frame", "Send only the first part of the read frame.", &SimulatorFaults::cutFrame},
    {"vanish", "Send the first part of the read frame, then make the device disappear.",
     &SimulatorFaults::vanish},
    {"imperfect-store", "Store every write with the siren time one more than written.",
     &SimulatorFaults::imperfectStore},
};

char letterOption(const QCommandLineParser& parser, const QString& name, const char* allowed) {
    const QString value = parser.value(name).toUpper();
    if (value.size() != 1 || !QByteArray(allowed).contains(value[0].toLatin1()))
        fail(QStringLiteral("--%1 takes one of %2").arg(name, QString::fromLatin1(allowed)));
    return value[0].toLatin1();
}

SimulatorOptions optionsFrom(const QCommandLineParser& parser) {
    SimulatorOptions options;
    QString error;
    char fileFirmware = 0;
    if (parser.isSet("image") && parser.isSet("image-file"))
        fail(QStringLiteral("give --image or --image-file, not both"));
    if (parser.isSet("image")) {
        const auto image = imageFromHex(parser.value("image"), &error);
        if (!image)
            fail(error);
        options.image = *image;
    } else if (parser.isSet("image-file")) {
        const auto loaded = imageFromFile(parser.value("image-file"), &error);
        if (!loaded)
            fail(error);
        options.image = loaded->image;
        fileFirmware = loaded->firmware;
        if (!loaded->hasSerialNumber && !parser.isSet("serial"))
            log(QStringLiteral("configuration file without serial number: using %1")
                    .arg(serialNumberOf(options.image)));
    }
    if (fixChecksum(options.image))
        log(QStringLiteral("the image's checksum byte was wrong: corrected"));

    if (parser.isSet("serial")) {
        const auto serials = parseSerialNumbers(parser.value("serial"), &error);
        if (!serials)
            fail(error);
        options.serials = *serials;
    }
    options.readBack = parser.isSet("read-back");
    // A configuration file tells which firmware it was made for.
    options.announce = parser.isSet("announce") ? letterOption(parser, "announce", "WK")
                       : fileFirmware           ? fileFirmware
                                                : 'W';
    options.frameType = letterOption(parser, "frame", "XD");

    bool ok = false;
    if (parser.isSet("auto-reset") && parser.isSet("auto-reset-ms"))
        fail(QStringLiteral("give --auto-reset or --auto-reset-ms, not both"));
    if (parser.isSet("auto-reset-ms")) {
        options.autoResetMs = parser.value("auto-reset-ms").toInt(&ok);
        if (!ok || options.autoResetMs < 0)
            fail(QStringLiteral("--auto-reset-ms takes a number of milliseconds, 0 for never"));
    } else {
        const int seconds = parser.value("auto-reset").toInt(&ok);
        if (!ok || seconds < 0 || seconds > 24 * 3600)
            fail(QStringLiteral("--auto-reset takes a number of seconds, 0 for never"));
        options.autoResetMs = seconds * 1000;
    }
    for (const auto& [name, field] :
         {std::pair{"split-delay-ms", &SimulatorOptions::splitDelayMs},
          std::pair{"vanish-delay-ms", &SimulatorOptions::vanishDelayMs},
          std::pair{"incomplete-ms", &SimulatorOptions::incompleteTimeoutMs},
          std::pair{"garbage-interval-ms", &SimulatorOptions::garbageIntervalMs}}) {
        if (!parser.isSet(QLatin1String(name)))
            continue;
        const int ms = parser.value(QLatin1String(name)).toInt(&ok);
        if (!ok || ms < 1)
            fail(QStringLiteral("--%1 takes a number of milliseconds").arg(QLatin1String(name)));
        options.*field = ms;
    }
    if (parser.isSet("seed")) {
        options.seed = parser.value("seed").toUInt(&ok);
        if (!ok)
            fail(QStringLiteral("--seed takes a positive number"));
    }
    for (const Fault& fault : kFaults)
        options.faults.*fault.flag = parser.isSet(QString::fromLatin1(fault.name));
    return options;
}

void saveImage(const QString& path, const Image& image) {
    const QByteArray bytes(reinterpret_cast<const char*>(image.data() + 1), 64);
    if (const auto failed = AtomicFile(path).write(bytes))
        log(QStringLiteral("cannot save %1: %2").arg(path, failed->detail));
    else
        log(QStringLiteral("image saved to %1").arg(path));
}

void connectLog(PeripheralSimulator& sim, const QString& savePath) {
    QObject::connect(&sim, &PeripheralSimulator::received,
                     [](const QByteArray& bytes) { log(QStringLiteral("RX ") + hex(bytes)); });
    QObject::connect(&sim, &PeripheralSimulator::sent,
                     [](const QByteArray& bytes) { log(QStringLiteral("TX ") + hex(bytes)); });
    QObject::connect(&sim, &PeripheralSimulator::dropped, [](const QByteArray& bytes) {
        log(QStringLiteral("TX lost, the port is closed: ") + hex(bytes));
    });
    QObject::connect(&sim, &PeripheralSimulator::stateChanged, [](PeripheralSimulator::State s) {
        log(QStringLiteral("state: ") + PeripheralSimulator::stateName(s));
    });
    QObject::connect(&sim, &PeripheralSimulator::imageStored, [savePath](const Image& image) {
        log(QStringLiteral("write accepted, image stored: ") +
            hex(QByteArray(reinterpret_cast<const char*>(image.data() + 1), 64)));
        if (!savePath.isEmpty())
            saveImage(savePath, image);
    });
    QObject::connect(&sim, &PeripheralSimulator::writeRefused, [](const QString& reason) {
        log(QStringLiteral("write refused: ") + reason);
    });
    QObject::connect(&sim, &PeripheralSimulator::peripheralChanged,
                     [&sim](int index, const QString& serial) {
                         log(QStringLiteral("peripheral %1 of %2 connected, serial number %3")
                                 .arg(index + 1)
                                 .arg(sim.peripheralCount())
                                 .arg(serial));
                     });
    QObject::connect(&sim, &PeripheralSimulator::portOpenChanged, [](bool open) {
        log(open ? QStringLiteral("the program opened the port")
                 : QStringLiteral("the program closed the port"));
    });
    QObject::connect(&sim, &PeripheralSimulator::note, log);
}

// Enter presses RESET. End of input is no reason to stop: scripts run us in the background.
void watchKeyboard(PeripheralSimulator& sim) {
    if (::fcntl(STDIN_FILENO, F_GETFD) < 0)
        return;
    auto* keys = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &sim);
    QObject::connect(keys, &QSocketNotifier::activated, [keys, &sim] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n > 0) {
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[i] == '\n')
                    sim.pressReset();
            }
        } else if (n == 0 || errno != EINTR) {
            // End of input; or a read from the terminal while in the background (EIO), which
            // may succeed again once we are brought to the foreground.
            keys->setEnabled(false);
            if (n < 0 && errno == EIO)
                QTimer::singleShot(1000, keys, [keys] { keys->setEnabled(true); });
        }
    });
}

void watchTerminationSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        fail(QStringLiteral("socketpair failed"));
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // Reading the terminal from the background must fail, not stop us; a closed log pipe too.
    std::signal(SIGTTIN, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        log(QStringLiteral("stopping"));
        QCoreApplication::quit();
    });
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("selvanam-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SELVANA_VERSION_TEXT));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated peripheral on a pseudo-terminal. The first line of output is "
                       "the device to open as the serial port; the log goes to stderr; press "
                       "Enter to press the peripheral's RESET key."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {"announce",
         "Announcement letter: W (firmware before M6, the default) or K (M6 and later).", "W|K"},
        {"frame", "Read frame type: X (79 bytes, the default) or D (71 bytes).", "X|D", "X"},
        {"image", "Image as 64 bytes in hex (the built-in one is VHF, 156.0 MHz).", "HEX"},
        {"image-file",
         "Image file: 64 raw bytes, or a 62-byte configuration file (its firmware letter becomes "
         "the default announcement).",
         "FILE"},
        {"serial",
         "Serial numbers of the peripherals connected one after another, each after an accepted "
         "write.",
         "HEX8[,HEX8...]"},
        {"read-back",
         "With --serial: after a write, the next RESET shows the unit written once more (read "
         "back), the one after it the next unit."},
        {"save", "After every accepted write, save the stored image (64 raw bytes) here.", "FILE"},
        {"auto-reset", "Press RESET by itself after this many quiet seconds; 0 = never.", "SECONDS",
         "0"},
        {"auto-reset-ms", "The same in milliseconds.", "MS"},
        {"split-delay-ms", "Pause inside a split frame (default 700).", "MS"},
        {"vanish-delay-ms",
         "Time between the part of the frame and the end with --vanish "
         "(default 150).",
         "MS"},
        {"incomplete-ms",
         "A message from the program left incomplete this long is dropped (default 1000).", "MS"},
        {"garbage-interval-ms", "Time between bursts with --garbage (default 700, plus up to 400).",
         "MS"},
        {"seed", "Seed for noise and garbage, for repeatable runs.", "N"},
    });
    for (const Fault& fault : kFaults)
        parser.addOption({QString::fromLatin1(fault.name), QString::fromLatin1(fault.help)});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        fail(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    const SimulatorOptions options = optionsFrom(parser);
    watchTerminationSignals();

    PtyPair pty;
    if (!pty.open())
        fail(pty.errorString());
    PeripheralSimulator sim(pty, options);
    connectLog(sim, parser.value("save"));
    // Scripts wait for this line and open the device at once: the simulator is already there.
    std::printf("%s\n", pty.slavePath().toLocal8Bit().constData());
    std::fflush(stdout);
    QObject::connect(&sim, &PeripheralSimulator::stateChanged, &app,
                     [](PeripheralSimulator::State s) {
                         if (s == PeripheralSimulator::State::Gone)
                             QCoreApplication::quit();
                     });
    watchKeyboard(sim);
    log(QStringLiteral("peripheral %1 (announces %2, frame %3) on %4")
            .arg(sim.serialNumber(), QChar::fromLatin1(options.announce),
                 QChar::fromLatin1(options.frameType), pty.slavePath()));
    return app.exec();
}
