#include "core/image/frequency_codec.h"

#include <QTest>

using namespace selvana;

class TestFrequencyCodec : public QObject {
    Q_OBJECT
private slots:
    void encode_data() {
        QTest::addColumn<double>("mhz");
        QTest::addColumn<QString>("text");
        QTest::newRow("VHF base") << 146.0 << "005B20";
        QTest::newRow("156 skips bit 6") << 156.0 << "006180";
        QTest::newRow("VHF top") << 174.0 << "006CA0";
        QTest::newRow("UHF base") << 400.0 << "00FA00";
        QTest::newRow("last word before wrap") << 409.5875 << "00FFBF";
        QTest::newRow("wraps past FFFF") << 409.6 << "010000";
        QTest::newRow("433.92") << 433.92 << "010F1A";
        QTest::newRow("445") << 445.0 << "011610";
        QTest::newRow("VHF below base") << 140.0 << "015780";
    }
    void encode() {
        QFETCH(double, mhz);
        QFETCH(QString, text);
        QCOMPARE(CodificaFrequenza(mhz), text);
    }

    void decode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("mhz");
        QTest::newRow("5B20") << "5B20" << 146.0;
        QTest::newRow("6CA0") << "6CA0" << 174.0;
        QTest::newRow("FA00") << "FA00" << 400.0;
        QTest::newRow("0000") << "0000" << 409.6;
        QTest::newRow("one above VHF") << "6CA1" << 583.6125;
        QTest::newRow("433.92 reads back on the grid") << "010F1A" << 433.925;
        QTest::newRow("only last four digits count") << "01FA00" << 400.0;
        QTest::newRow("short text padded") << "0" << 409.6;
        QTest::newRow("140 reads back as UHF") << "015780" << 549.6;
        QTest::newRow("bit 6 of the offset ignored") << "5B60" << 146.0;
    }
    void decode() {
        QFETCH(QString, text);
        QFETCH(double, mhz);
        QVERIFY2(qAbs(DecodificaFrequenza(text) - mhz) < 1e-9,
                 qPrintable(QString::number(DecodificaFrequenza(text), 'f', 10)));
    }

    // Every channel of both bands survives encode then decode.
    void roundTripEveryChannel() {
        for (double base : {146.0, 400.0}) {
            const int channels = base < 200 ? 2240 : 5600; // 146-174 MHz, 400-470 MHz
            for (int n = 0; n <= channels; ++n) {
                const double f = base + n * 0.0125;
                const double back = DecodificaFrequenza(CodificaFrequenza(f));
                if (qAbs(back - f) > 1e-9)
                    QFAIL(qPrintable(QStringLiteral("%1 MHz came back as %2")
                                         .arg(f, 0, 'f', 4)
                                         .arg(back, 0, 'f', 4)));
            }
        }
    }

    void encodedWordNeverHasBit6() {
        for (int n = 0; n <= 5600; ++n) {
            const QString text = CodificaFrequenza(400.0 + n * 0.0125);
            QVERIFY((text.right(4).toInt(nullptr, 16) & 0x40) == 0);
        }
    }

    void nonFiniteInputStaysDefined() {
        QCOMPARE(CodificaFrequenza(std::numeric_limits<double>::quiet_NaN()).size(), 6);
        QCOMPARE(CodificaFrequenza(1e300).size(), 6);
    }
};

QTEST_APPLESS_MAIN(TestFrequencyCodec)
#include "tst_frequency_codec.moc"
