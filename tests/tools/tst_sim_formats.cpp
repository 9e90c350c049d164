#include "common/sample_images.h"
#include "core/image/config_decoder.h"
#include "simulator/image_source.h"
#include "simulator/peripheral_simulator.h"

#include <QTemporaryDir>
#include <QTest>

using namespace selvana;
using namespace selvana::sim;

namespace {

QByteArray bytesOf(const Image& image) {
    return QByteArray(reinterpret_cast<const char*>(image.data() + 1), 64);
}

QByteArray writeFrameOf(const Image& image) {
    return buildWriteFrame(image);
}

} // namespace

class TestSimFormats : public QObject {
    Q_OBJECT
private slots:
    void builtInImageIsAValidVhfConfiguration() {
        const Image image = builtInImage();
        QCOMPARE(image[64], CalcolaCKSSave(image));
        QCOMPARE(serialNumberOf(image), QStringLiteral("1234ABCD"));
        ConfigRecord rec;
        Analyze2(image, QString(), rec);
        QCOMPARE(rec.FrequenzaTX, 156.0);
        QCOMPARE(rec.BandaUHF, std::uint8_t(0));
    }

    void serialNumbers() {
        Image image{};
        setSerialNumber(image, 0x000AABFF);
        QCOMPARE(serialNumberOf(image), QStringLiteral("000AABFF"));
        QCOMPARE(serialNumber(image), 0x000AABFFu);

        QString error;
        QCOMPARE(parseSerialNumbers(QStringLiteral("1234abcd, 00000002"), &error),
                 std::optional(QList<quint32>{0x1234ABCD, 2}));
        for (const char* bad : {"", "1234ABC", "1234ABCDE", "1234ABCG", "00000001,"}) {
            error.clear();
            QVERIFY2(!parseSerialNumbers(QString::fromLatin1(bad), &error), bad);
            QVERIFY(!error.isEmpty());
        }
    }

    void imageFromHexText() {
        const Image sample = testing::sampleSicep();
        const QString spaced = QString::fromLatin1(bytesOf(sample).toHex(' '));
        QString error;
        QCOMPARE(imageFromHex(spaced, &error), std::optional(sample));
        QCOMPARE(imageFromHex(spaced.toUpper().remove(' '), &error), std::optional(sample));
        QVERIFY(!imageFromHex(spaced.left(spaced.size() - 3), &error));
        QVERIFY(!imageFromHex(spaced + QStringLiteral(" 00"), &error));
        QVERIFY(!imageFromHex(QString(spaced).replace(0, 1, QLatin1Char('x')), &error));
    }

    void imageFromFileContents_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<char>("firmware");
        QTest::addColumn<QByteArray>("expected"); // image bytes 1..64

        const QByteArray uhf = bytesOf(testing::sampleSicep());
        const QByteArray builtInSerial = bytesOf(builtInImage()).left(4);
        QTest::newRow("raw image") << uhf << true << char(0) << uhf;
        QTest::newRow("configuration file, W")
            << QByteArray("WU") + uhf.mid(4) << true << 'W' << builtInSerial + uhf.mid(4);
        QTest::newRow("configuration file, any other letter is M6")
            << QByteArray("?V") + uhf.mid(4) << true << 'K' << builtInSerial + uhf.mid(4);
        QTest::newRow("empty") << QByteArray() << false << char(0) << QByteArray();
        QTest::newRow("63 bytes") << uhf.left(63) << false << char(0) << QByteArray();
        QTest::newRow("65 bytes") << uhf + '\0' << false << char(0) << QByteArray();
    }
    void imageFromFileContents() {
        QFETCH(QByteArray, contents);
        QFETCH(bool, accepted);
        QFETCH(char, firmware);
        QFETCH(QByteArray, expected);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("image.bin"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();

        QString error;
        const auto loaded = imageFromFile(path, &error);
        QCOMPARE(loaded.has_value(), accepted);
        if (!accepted) {
            QVERIFY(error.contains(path));
            return;
        }
        QCOMPARE(loaded->firmware, firmware);
        QCOMPARE(loaded->hasSerialNumber, firmware == 0);
        QCOMPARE(bytesOf(loaded->image), expected);
    }

    void missingFileIsAnError() {
        QString error;
        QVERIFY(!imageFromFile(QStringLiteral("/nonexistent/image.bin"), &error));
        QVERIFY(!error.isEmpty());
    }

    void readFrameLayout_data() {
        QTest::addColumn<char>("type");
        QTest::addColumn<int>("length");
        QTest::newRow("X") << 'X' << 79;
        QTest::newRow("D") << 'D' << 71;
    }
    void readFrameLayout() {
        QFETCH(char, type);
        QFETCH(int, length);
        const Image image = testing::sampleProteusX();
        const QByteArray frame = PeripheralSimulator::readFrame(image, type);
        QCOMPARE(frame.size(), length);
        QCOMPARE(frame.left(2), QByteArray("\n") + type);
        QCOMPARE(frame.mid(2, 64), bytesOf(image));
        QCOMPARE(frame.back(), '\r');
        // What the programmer does with it.
        Image decoded{};
        ConfigRecord rec;
        QVERIFY(Analyze(frame, QString(), decoded, rec));
        QCOMPARE(decoded, image);
    }

    void writeFrameChecks_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("good");
        const QByteArray good = writeFrameOf(testing::sampleProteusX());
        QByteArray badSum = good;
        badSum[65] = static_cast<char>(badSum[65] + 1);
        QByteArray badData = good;
        badData[10] = static_cast<char>(badData[10] ^ 0x01);
        QByteArray notZero = good;
        notZero[68] = 1;
        QByteArray noReturn = good;
        noReturn[70] = '\n';
        QByteArray notP = good;
        notP[1] = 'X';
        Image zeros{};
        QTest::newRow("good") << good << true;
        QTest::newRow("all zero image") << writeFrameOf(zeros) << true;
        QTest::newRow("checksum byte wrong") << badSum << false;
        QTest::newRow("data byte changed") << badData << false;
        QTest::newRow("trailing byte not zero") << notZero << false;
        QTest::newRow("no carriage return") << noReturn << false;
        QTest::newRow("not P") << notP << false;
        QTest::newRow("one byte short") << good.left(70) << false;
        QTest::newRow("one byte long") << good + '\r' << false;
    }
    void writeFrameChecks() {
        QFETCH(QByteArray, frame);
        QFETCH(bool, good);
        QCOMPARE(PeripheralSimulator::writeFrameProblem(frame).isEmpty(), good);
    }
};

QTEST_GUILESS_MAIN(TestSimFormats)
#include "tst_sim_formats.moc"
