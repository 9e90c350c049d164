#include "common/sample_images.h"
#include "simulator/peripheral_simulator.h"
#include "simulator/pty_pair.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <memory>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace selvana;
using namespace selvana::sim;

namespace {

const QByteArray kAcknowledge("\nA\r");
const QByteArray kRequest("\nX\r");

// The programmer's end of the cable: a real QSerialPort on the pty slave, recording what arrives
// and when.
class ProgramSide : public QObject {
public:
    struct Arrival {
        qint64 atMs;
        QByteArray bytes;
    };

    bool open(const QString& path) {
        port.setPortName(path);
        port.setBaudRate(QSerialPort::Baud9600);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
        port.setFlowControl(QSerialPort::NoFlowControl);
        if (!port.open(QIODevice::ReadWrite))
            return false;
        connect(&port, &QSerialPort::readyRead, this, [this] {
            const QByteArray bytes = port.readAll();
            rx += bytes;
            arrivals.append({clock.elapsed(), bytes});
        });
        // Stop at the first error: a port whose device vanished keeps reporting it.
        connect(&port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            // close() of a port that is not open reports NotOpenError: guard against recursion.
            if (e == QSerialPort::NoError || !port.isOpen())
                return;
            lastError = e;
            port.close();
        });
        clock.start();
        return true;
    }
    void close() {
        port.close();
        port.disconnect(this);
        rx.clear();
    }
    void send(const QByteArray& bytes) {
        port.write(bytes);
        static_cast<void>(QTest::qWaitFor([this] { return port.bytesToWrite() == 0; }, 1000));
    }
    // Waits until at least n bytes have come, then takes exactly those (or what there is).
    QByteArray take(int n, int timeoutMs = 2000) {
        static_cast<void>(QTest::qWaitFor([&] { return rx.size() >= n; }, timeoutMs));
        const QByteArray out = rx.left(n);
        rx.remove(0, out.size());
        return out;
    }
    // Everything that arrives within the given time.
    QByteArray collect(int ms) {
        QTest::qWait(ms);
        const QByteArray out = rx;
        rx.clear();
        return out;
    }

    QSerialPort port;
    QByteArray rx;
    QList<Arrival> arrivals;
    QElapsedTimer clock;
    QSerialPort::SerialPortError lastError = QSerialPort::NoError;
};

// How long "nothing more arrives" is watched for; everything the simulator sends at once
// arrives well within it.
constexpr int kQuietMs = 40;

// The simulator's own delays, short: the tests wait for them.
SimulatorOptions quick() {
    SimulatorOptions options;
    options.splitDelayMs = 60;
    options.vanishDelayMs = 30;
    options.incompleteTimeoutMs = 100;
    options.garbageIntervalMs = 30;
    return options;
}

QByteArray writeFrameOf(const Image& image) {
    return buildWriteFrame(image);
}

Image edited(Image image) {
    image[20] = 9; // another number of attempts
    image[64] = CalcolaCKSSave(image);
    return image;
}

} // namespace

class TestSimPeripheral : public QObject {
    Q_OBJECT

    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<PeripheralSimulator> sim;
    std::unique_ptr<ProgramSide> program;

    void start(const SimulatorOptions& options = quick()) {
        pty = std::make_unique<PtyPair>();
        QVERIFY2(pty->open(), qPrintable(pty->errorString()));
        sim = std::make_unique<PeripheralSimulator>(*pty, options);
        program = std::make_unique<ProgramSide>();
        QVERIFY(program->open(pty->slavePath()));
    }

    // Announcement answered the way the programmer does: two writes.
    QByteArray readConfiguration(int frameLength = 79) {
        program->send(kAcknowledge);
        program->send(kRequest);
        return program->take(frameLength);
    }

private slots:
    void cleanup() {
        program.reset();
        sim.reset();
        pty.reset();
    }

    void announcement_data() {
        QTest::addColumn<char>("letter");
        QTest::newRow("before M6") << 'W';
        QTest::newRow("M6 and later") << 'K';
    }
    void announcement() {
        QFETCH(char, letter);
        SimulatorOptions options = quick();
        options.announce = letter;
        start(options);
        QCOMPARE(sim->state(), PeripheralSimulator::State::Idle);
        sim->pressReset();
        QCOMPARE(program->take(3), QByteArray("\n") + letter + '\r');
        QCOMPARE(sim->state(), PeripheralSimulator::State::Announced);
        QCOMPARE(program->collect(kQuietMs), QByteArray());
    }

    void readFrame_data() {
        QTest::addColumn<char>("type");
        QTest::addColumn<int>("length");
        QTest::newRow("X") << 'X' << 79;
        QTest::newRow("D") << 'D' << 71;
    }
    void readFrame() {
        QFETCH(char, type);
        QFETCH(int, length);
        SimulatorOptions options = quick();
        options.frameType = type;
        options.image = testing::sampleSicep(); // bytes 0, 10 and 13 travel too
        start(options);
        sim->pressReset();
        QCOMPARE(program->take(3), QByteArray("\nW\r"));
        const QByteArray frame = readConfiguration(length);
        QCOMPARE(frame, PeripheralSimulator::readFrame(testing::sampleSicep(), type));
        QCOMPARE(program->collect(kQuietMs), QByteArray());
        QCOMPARE(sim->state(), PeripheralSimulator::State::FrameSent);
    }

    void writeFrame_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<bool>("accepted");
        const QByteArray good = writeFrameOf(edited(builtInImage()));
        QByteArray badSum = good;
        badSum[65] = static_cast<char>(badSum[65] ^ 0x40);
        QTest::newRow("good") << good << false << true;
        QTest::newRow("bad checksum") << badSum << false << false;
        QTest::newRow("one byte short") << good.left(70) << false << false;
        QTest::newRow("one byte long") << good.left(70) + QByteArray("\0\r", 2) << false << false;
        QTest::newRow("refusing") << good << true << false;
    }
    void writeFrame() {
        QFETCH(QByteArray, frame);
        QFETCH(bool, refuse);
        QFETCH(bool, accepted);
        SimulatorOptions options = quick();
        options.faults.refuseWrites = refuse;
        start(options);
        QSignalSpy stored(sim.get(), &PeripheralSimulator::imageStored);
        QSignalSpy refused(sim.get(), &PeripheralSimulator::writeRefused);
        sim->pressReset();
        program->take(3);
        readConfiguration();

        program->send(frame);
        QCOMPARE(program->take(3), accepted ? QByteArray("\nA\r") : QByteArray("\nN\r"));
        QCOMPARE(program->collect(kQuietMs), QByteArray());
        QCOMPARE(sim->image(), accepted ? edited(builtInImage()) : builtInImage());
        QCOMPARE(stored.size(), accepted ? 1 : 0);
        QCOMPARE(refused.size(), accepted ? 0 : 1);
        if (accepted)
            QCOMPARE(stored.first().first().value<Image>(), edited(builtInImage()));
    }

    void writeFrameInPieces() {
        start();
        const QByteArray frame = writeFrameOf(edited(builtInImage()));
        program->send("\x01\x02 noise");
        // Pieces some time apart, within the time the simulator gives an incomplete message.
        program->send(frame.left(1));
        QTest::qWait(10);
        program->send(frame.mid(1, 30));
        QTest::qWait(50);
        program->send(frame.mid(31));
        QCOMPARE(program->take(3), QByteArray("\nA\r"));
        QCOMPARE(sim->image(), edited(builtInImage()));
    }

    void portClosedAndReopened() {
        start();
        QSignalSpy portOpen(sim.get(), &PeripheralSimulator::portOpenChanged);
        const QByteArray frame = PeripheralSimulator::readFrame(builtInImage(), 'X');
        for (int round = 0; round < 3; ++round) {
            program->send(kRequest);
            QCOMPARE(program->take(79), frame);
            program->close();
            QVERIFY(program->open(pty->slavePath()));
        }
        // What the program left unread when it closed is lost, like on a real line, once the
        // simulator has noticed the close ...
        sim->pressReset(); // on the line at once, before the program can read it
        program->close();
        QTRY_COMPARE(portOpen.last().first().toBool(), false);
        QVERIFY(!sim->portOpen());
        QVERIFY(program->open(pty->slavePath()));
        QCOMPARE(program->collect(kQuietMs), QByteArray());
        // ... and so is what it sends while the port is closed.
        program->close();
        QTRY_VERIFY(!sim->portOpen());
        sim->pressReset();
        QVERIFY(program->open(pty->slavePath()));
        QCOMPARE(program->collect(kQuietMs), QByteArray());
        QVERIFY(sim->portOpen());

        program->send(writeFrameOf(edited(builtInImage())));
        QCOMPARE(program->take(3), QByteArray("\nA\r"));
    }

    void portUsableAfterAProgramDied() {
        start();
        program->close();
        // A program killed with the port open never clears the exclusive mode it set.
        const QByteArray path = pty->slavePath().toLocal8Bit();
        const int dead = ::open(path.constData(), O_RDWR | O_NOCTTY);
        QVERIFY(dead >= 0);
        QCOMPARE(::ioctl(dead, TIOCEXCL), 0);
        ::close(dead);
        QTRY_VERIFY(!sim->portOpen());
        const int next = ::open(path.constData(), O_RDWR | O_NOCTTY);
        QVERIFY(next >= 0);
        int exclusive = -1;
        QCOMPARE(::ioctl(next, TIOCGEXCL, &exclusive), 0);
        ::close(next);
        QCOMPARE(exclusive, 0);
    }

    void nextPeripheralAfterEachWrite() {
        SimulatorOptions options = quick();
        options.serials = {0x00000001, 0x00000002};
        start(options);
        QSignalSpy changed(sim.get(), &PeripheralSimulator::peripheralChanged);
        for (quint32 serial : options.serials) {
            Image expected = builtInImage();
            setSerialNumber(expected, serial);
            fixChecksum(expected);
            QCOMPARE(readConfiguration(), PeripheralSimulator::readFrame(expected, 'X'));
            program->send(writeFrameOf(edited(expected)));
            QCOMPARE(program->take(3), QByteArray("\nA\r"));
        }
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(1).toString(), QStringLiteral("00000002"));
        // The last one stays connected with what was written to it.
        Image last = builtInImage();
        setSerialNumber(last, 2);
        fixChecksum(last);
        QCOMPARE(sim->image(), edited(last));
        QCOMPARE(sim->peripheralIndex(), 1);
    }

    void autoReset() {
        SimulatorOptions options = quick();
        options.autoResetMs = 50;
        QElapsedTimer quiet;
        quiet.start();
        start(options);
        QCOMPARE(program->take(3), QByteArray("\nW\r"));
        QVERIFY(quiet.elapsed() >= options.autoResetMs);
        // An exchange in progress is not interrupted.
        program->send(kRequest);
        program->take(79);
        QCOMPARE(program->collect(3 * options.autoResetMs), QByteArray());
    }

    void splitFrame() {
        SimulatorOptions options = quick();
        options.faults.splitFrame = true;
        start(options);
        program->send(kRequest);
        QCOMPARE(program->take(79), PeripheralSimulator::readFrame(builtInImage(), 'X'));
        qint64 longestGap = 0;
        for (int i = 1; i < program->arrivals.size(); ++i)
            longestGap =
                std::max(longestGap, program->arrivals[i].atMs - program->arrivals[i - 1].atMs);
        QVERIFY2(longestGap >= options.splitDelayMs - 10, qPrintable(QString::number(longestGap)));
    }

    void noiseBeforeEveryMessage() {
        SimulatorOptions options = quick();
        options.faults.noise = true;
        options.seed = 7;
        start(options);
        sim->pressReset();
        QTRY_VERIFY(program->rx.endsWith("\nW\r"));
        const QByteArray announcement = program->collect(0);
        QVERIFY(announcement.size() > 3);
        QCOMPARE(announcement.indexOf('\n'), announcement.size() - 3);
        QVERIFY(announcement.endsWith("\nW\r"));

        program->send(kRequest);
        const QByteArray expected = PeripheralSimulator::readFrame(builtInImage(), 'X');
        QTRY_VERIFY(program->rx.endsWith(expected));
        const QByteArray frame = program->collect(0);
        QVERIFY(frame.size() > expected.size());
        QVERIFY(frame.endsWith(expected));
        QVERIFY(!frame.left(frame.size() - expected.size()).contains('\n'));
    }

    void garbageWithLineFeeds() {
        SimulatorOptions options = quick();
        options.faults.garbage = true;
        options.seed = 11;
        start(options);
        QTRY_VERIFY(program->rx.count('\n') >= 3); // several bursts
        const QByteArray garbage = program->collect(0);
        QVERIFY(garbage.contains('\n'));
        for (qsizetype at = garbage.indexOf('\n'); at >= 0; at = garbage.indexOf('\n', at + 1)) {
            QVERIFY(at + 1 < garbage.size());
            QVERIFY(!QByteArray("WKANXD").contains(garbage[at + 1]));
        }
        // Messages still go out whole.
        program->send(kRequest);
        static_cast<void>(QTest::qWaitFor([this] { return program->rx.size() >= 79; }, 1000));
        QVERIFY(program->collect(0).contains(PeripheralSimulator::readFrame(builtInImage(), 'X')));
    }

    void badChecksum() {
        SimulatorOptions options = quick();
        options.faults.badChecksum = true;
        start(options);
        program->send(kRequest);
        const QByteArray frame = program->take(79);
        QByteArray expected = PeripheralSimulator::readFrame(builtInImage(), 'X');
        QCOMPARE(frame.left(65), expected.left(65));
        QCOMPARE(frame.mid(66), expected.mid(66));
        QVERIFY(frame[65] != expected[65]);
        QCOMPARE(sim->image(), builtInImage()); // the memory itself is fine
    }

    void silent() {
        SimulatorOptions options = quick();
        options.faults.silent = true;
        start(options);
        QSignalSpy received(sim.get(), &PeripheralSimulator::received);
        sim->pressReset();
        program->send(kRequest);
        program->send(writeFrameOf(edited(builtInImage())));
        QCOMPARE(program->collect(kQuietMs), QByteArray());
        QVERIFY(!received.isEmpty());
        QCOMPARE(sim->image(), builtInImage());
    }

    void noAnswerToWrites() {
        SimulatorOptions options = quick();
        options.faults.ignoreWrites = true;
        start(options);
        program->send(kRequest);
        program->take(79);
        program->send(writeFrameOf(edited(builtInImage())));
        QCOMPARE(program->collect(kQuietMs), QByteArray());
        QCOMPARE(sim->image(), builtInImage());
        // Only writes are ignored.
        program->send(kRequest);
        QCOMPARE(program->take(79).size(), 79);
    }

    void frameCutShort() {
        SimulatorOptions options = quick();
        options.faults.cutFrame = true;
        options.partialLength = 30;
        start(options);
        program->send(kRequest);
        QCOMPARE(program->take(30), PeripheralSimulator::readFrame(builtInImage(), 'X').left(30));
        QCOMPARE(program->collect(kQuietMs), QByteArray());
    }

    void vanishesMidFrame() {
        SimulatorOptions options = quick();
        options.faults.vanish = true;
        start(options);
        const QString path = pty->slavePath();
        program->send(kRequest);
        QVERIFY(QTest::qWaitFor([this] { return !program->port.isOpen(); }, 2000));
        QVERIFY(program->lastError != QSerialPort::NoError);
        QCOMPARE(program->rx, PeripheralSimulator::readFrame(builtInImage(), 'X').left(40));
        QCOMPARE(sim->state(), PeripheralSimulator::State::Gone);
        QVERIFY(!pty->isOpen());
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(!program->port.open(QIODevice::ReadWrite));
        sim->pressReset(); // nothing left to do, and no crash
    }
};

QTEST_GUILESS_MAIN(TestSimPeripheral)
#include "tst_sim_peripheral.moc"
