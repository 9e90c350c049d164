#include "common/sample_images.h"
#include "simulator/image_source.h"
#include "simulator/peripheral_simulator.h"

#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

using namespace selvana;
using namespace selvana::sim;

class TestSimProgram : public QObject {
    Q_OBJECT

    // Starts the program and returns the device path from its first line.
    static QString startSimulator(QProcess& process, const QStringList& arguments) {
        process.start(QStringLiteral(SELVANAM_SIM_PROGRAM), arguments);
        if (!process.waitForStarted(3000))
            return {};
        static_cast<void>(QTest::qWaitFor([&] { return process.canReadLine(); }, 3000));
        return QString::fromLocal8Bit(process.readLine()).trimmed();
    }

    static bool openPort(QSerialPort& port, const QString& path) {
        port.setPortName(path);
        port.setBaudRate(QSerialPort::Baud9600);
        port.setFlowControl(QSerialPort::NoFlowControl);
        return port.open(QIODevice::ReadWrite);
    }

    static QByteArray take(QSerialPort& port, int n) {
        QByteArray got;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                got += port.readAll();
                return got.size() >= n;
            },
            3000));
        return got;
    }

private slots:
    void answersOnItsDevice() {
        QProcess process;
        const QString path =
            startSimulator(process, {QStringLiteral("--announce"), QStringLiteral("K"),
                                     QStringLiteral("--frame"), QStringLiteral("D")});
        QVERIFY2(path.startsWith(QStringLiteral("/dev/")), qPrintable(path));
        QSerialPort port;
        QVERIFY(openPort(port, path));

        process.write("\n"); // Enter presses RESET
        QCOMPARE(take(port, 3), QByteArray("\nK\r"));
        process.closeWriteChannel(); // end of input does not stop it
        port.write("\nA\r");
        port.write("\nX\r");
        QCOMPARE(take(port, 71), PeripheralSimulator::readFrame(builtInImage(), 'D'));
        QCOMPARE(process.state(), QProcess::Running);

        process.terminate();
        QVERIFY(process.waitForFinished(3000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        const QByteArray log = process.readAllStandardError();
        QVERIFY(log.contains("RX 0A 41 0D 0A 58 0D") || log.contains("RX 0A 41 0D\n"));
        QVERIFY(log.contains("TX 0A 4B 0D"));
    }

    void savesEveryAcceptedWrite() {
        QTemporaryDir dir;
        const QString saved = dir.filePath(QStringLiteral("stored.bin"));
        const QString configuration = dir.filePath(QStringLiteral("config.con"));
        const Image uhf = testing::sampleSicep();
        QFile file(configuration);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("KU") +
                   QByteArray(reinterpret_cast<const char*>(uhf.data() + 5), 60));
        file.close();

        QProcess process;
        const QString path = startSimulator(
            process, {QStringLiteral("--image-file"), configuration, QStringLiteral("--serial"),
                      QStringLiteral("0A0B0C0D"), QStringLiteral("--save"), saved});
        QSerialPort port;
        QVERIFY(openPort(port, path));
        port.write("\nX\r");
        const QByteArray frame = take(port, 79);
        Image expected = uhf;
        setSerialNumber(expected, 0x0A0B0C0D);
        fixChecksum(expected);
        QCOMPARE(frame, PeripheralSimulator::readFrame(expected, 'X'));

        port.write(buildWriteFrame(expected));
        QCOMPARE(take(port, 3), QByteArray("\nA\r"));
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(saved); }, 2000));
        QFile result(saved);
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(result.readAll(),
                 QByteArray(reinterpret_cast<const char*>(expected.data() + 1), 64));
        process.terminate();
        QVERIFY(process.waitForFinished(3000));
    }

    void refusesBadOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("announce") << QStringList{"--announce", "Z"};
        QTest::newRow("frame") << QStringList{"--frame", "P"};
        QTest::newRow("image") << QStringList{"--image", "00112233"};
        QTest::newRow("image and file")
            << QStringList{"--image", QString(128, '0'), "--image-file", "/dev/null"};
        QTest::newRow("serial") << QStringList{"--serial", "12"};
        QTest::newRow("auto-reset") << QStringList{"--auto-reset", "-1"};
        QTest::newRow("auto-reset in both units")
            << QStringList{"--auto-reset", "1", "--auto-reset-ms", "1000"};
        QTest::newRow("auto-reset-ms") << QStringList{"--auto-reset-ms", "soon"};
        QTest::newRow("split delay") << QStringList{"--split-delay-ms", "0"};
    }
    void refusesBadOptions() {
        QFETCH(QStringList, arguments);
        QProcess process;
        process.start(QStringLiteral(SELVANAM_SIM_PROGRAM), arguments);
        QVERIFY(process.waitForFinished(3000));
        QVERIFY(process.exitCode() != 0);
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestSimProgram)
#include "tst_sim_program.moc"
