#include "common/sample_images.h"
#include "core/image/config_decoder.h"
#include "core/link/frame_codec.h"

#include <QTest>

using namespace selvana;
using namespace selvana::testing;

class TestFrameCodec : public QObject {
    Q_OBJECT
private slots:
    void checksum_data() {
        QTest::addColumn<int>("fill"); // 0: values 1..63, 1: all 255
        QTest::addColumn<int>("expected");
        QTest::newRow("1 to 63") << 0 << 0xE0;
        QTest::newRow("all 255") << 1 << 0xC1;
    }
    void checksum() {
        QFETCH(int, fill);
        Image image{};
        for (int i = 1; i <= 63; ++i)
            image[i] = static_cast<std::uint8_t>(fill == 0 ? i : 255);
        image[64] = 0x77; // never part of the sum
        image[0] = 0x77;
        QTEST(int(CalcolaCKSSave(image)), "expected");
    }

    void byteSplitting_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("msb");
        QTest::addColumn<int>("lsb");
        QTest::newRow("4660") << 4660 << 0x12 << 0x34;
        QTest::newRow("74565") << 74565 << 0x23 << 0x45;
        QTest::newRow("-1") << -1 << 0xFF << 0xFF;
        QTest::newRow("0") << 0 << 0 << 0;
        QTest::newRow("-32768") << -32768 << 0x80 << 0x00;
    }
    void byteSplitting() {
        QFETCH(int, value);
        QTEST(int(CalcolaMSB(value)), "msb");
        QTEST(int(CalcolaLSB(value)), "lsb");
    }

    void serialNumber() {
        Image image{};
        image[1] = 0;
        image[2] = 10;
        image[3] = 171;
        image[4] = 255;
        QCOMPARE(serialNumberOf(image), QStringLiteral("000AABFF"));
    }

    void xAndDFramesDecodeAlike() {
        const Image image = sampleProteusX();
        Image x{}, d{};
        ConfigRecord rx, rd;
        QVERIFY(Analyze(readFrame(image, 'X'), {}, x, rx));
        QVERIFY(Analyze(readFrame(image, 'D'), {}, d, rd));
        QVERIFY(x == d);
        QVERIFY(rx == rd);
        QCOMPARE(rx.SerialNumber, QStringLiteral("1234ABCD"));
        for (int k = 1; k <= 64; ++k)
            QCOMPARE(x[k], image[k]);
    }

    void otherFramesChangeNothing_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("announcement") << QByteArray("\nW");
        QTest::newRow("ack") << QByteArray("\nA\r");
        QTest::newRow("write frame echo") << QByteArray("\nP").append(69, '\0');
        QTest::newRow("lower case x") << QByteArray("\nx").append(77, '\x01');
        QTest::newRow("X cut short") << QByteArray("\nX").append(63, '\x01');
        QTest::newRow("empty") << QByteArray();
    }
    void otherFramesChangeNothing() {
        QFETCH(QByteArray, text);
        Image image{};
        image[0] = 9;
        image[64] = 9;
        ConfigRecord rec;
        rec.SerialNumber = QStringLiteral("KEEP");
        QVERIFY(!Analyze(text, QStringLiteral("V"), image, rec));
        QCOMPARE(image[0], 9);
        QCOMPARE(image[64], 9);
        QCOMPARE(rec.SerialNumber, QStringLiteral("KEEP"));
        QCOMPARE(rec.FrequenzaTX, 0.0);
    }

    void wrongChecksumStillDecoded() {
        Image image = sampleProteusX();
        image[64] ^= 0xFF;
        Image got{};
        ConfigRecord rec;
        QVERIFY(Analyze(readFrame(image), {}, got, rec));
        QCOMPARE(got[64], image[64]);
        QCOMPARE(rec.CodicePeriferica, 300);
    }

    void byteZeroUntouchedAndExtraCharactersIgnored() {
        Image got{};
        got[0] = 0x42;
        ConfigRecord rec;
        QByteArray frame = readFrame(sampleProteusX());
        frame.append("\nX garbage after the frame");
        QVERIFY(Analyze(frame, {}, got, rec));
        QCOMPARE(got[0], 0x42);
    }

    void writeFrameLayout() {
        Image zero{};
        const QByteArray f = buildWriteFrame(zero);
        QByteArray expected("\nP");
        expected.append(68, '\0');
        expected.append('\r');
        QCOMPARE(f.size(), 71);
        QCOMPARE(f, expected);
    }

    // Bytes 0, 10, 13 and above 127 reach the image and the write frame unchanged.
    void everyByteValueTravelsUnchanged() {
        for (int base = 0; base < 256; base += 64) {
            Image image{};
            for (int k = 1; k <= 64; ++k)
                image[k] = static_cast<std::uint8_t>(base + k - 1);
            image[5] = 10;
            image[6] = 13;
            image[7] = 0;
            image[8] = 0xFF;
            Image got{};
            ConfigRecord rec;
            QVERIFY(Analyze(readFrame(image, 'D'), {}, got, rec));
            const QByteArray out = buildWriteFrame(got);
            for (int k = 1; k <= 64; ++k) {
                QCOMPARE(got[k], image[k]);
                QCOMPARE(static_cast<std::uint8_t>(out[1 + k]), image[k]);
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestFrameCodec)
#include "tst_frame_codec.moc"
