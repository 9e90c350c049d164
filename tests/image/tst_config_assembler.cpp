#include "common/sample_images.h"
#include "core/image/config_assembler.h"
#include "core/image/config_decoder.h"
#include "core/link/frame_codec.h"

#include <QTest>

using namespace selvana;
using namespace selvana::testing;

namespace {
struct RoundTrip {
    Image read;
    ConfigRecord rec;
    Image written{};
};

RoundTrip readThenAssemble(const Image& read, const QString& band = {}) {
    RoundTrip t{read, {}};
    Analyze2(read, band, t.rec);
    const auto error = assembleSaveImage(t.rec, t.read, t.written);
    if (error)
        qFatal("unexpected error: %s", qPrintable(error->message));
    return t;
}

// An image whose constant and preserved bytes all hold values the writer must rebuild or keep.
Image noisyImage() {
    Image image = sampleProteusX();
    for (int k : {5, 8, 12, 21, 29, 30, 34, 48, 49, 50, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63})
        image[k] ^= 0x36;
    image[5] |= 0x36; // bits 1, 2, 4, 5
    image[15] |= 0x80;
    image[28] |= 0xE0;
    image[33] |= 0x40;
    image[64] = 0x00; // wrong checksum on purpose
    return image;
}
} // namespace

class TestConfigAssembler : public QObject {
    Q_OBJECT
private slots:
    void unchangedFieldsComeBackExceptRebuiltBytes() {
        const RoundTrip t = readThenAssemble(sampleProteusX());
        for (int k = 1; k <= 64; ++k) {
            if (k == 50 || k == 54 || k == 55 || k == 64)
                continue;
            QVERIFY2(t.written[k] == t.read[k], qPrintable(QStringLiteral("byte %1").arg(k)));
        }
        QCOMPARE(t.written[50], 0x03); // 0xFF AND 3
        QCOMPARE(t.written[54], 0x99); // copy of byte 53
        QCOMPARE(t.written[55], 0x24); // OR 0x24
        QCOMPARE(t.written[64], CalcolaCKSSave(t.written));
    }

    void preservedBytesKeptAndConstantsRebuilt() {
        const Image read = noisyImage();
        const RoundTrip t = readThenAssemble(read);
        for (int k : {1, 2, 3, 4, 13, 14, 18, 19, 31, 32, 42, 43, 44, 53})
            QVERIFY2(t.written[k] == read[k],
                     qPrintable(QStringLiteral("preserved byte %1").arg(k)));
        QCOMPARE(t.written[54], read[53]);
        QCOMPARE(t.written[5] & 0xB6, 0x80); // bit 7 set; 1, 2, 4, 5 clear
        QCOMPARE(t.written[8], t.written[5] & 0x7F);
        QCOMPARE(t.written[9], t.written[6]);
        QCOMPARE(t.written[10], t.written[7]);
        QCOMPARE(t.written[12], t.written[11]);
        QCOMPARE(t.written[15] & 0x80, 0);
        QCOMPARE(t.written[21], t.written[20]);
        QCOMPARE(t.written[28] & 0xE0, 0);
        QCOMPARE(t.written[29], 0xFF);
        QCOMPARE(t.written[30], 0x00);
        QCOMPARE(t.written[33] & 0x40, 0);
        QCOMPARE(t.written[34], t.written[33] & 0x3F);
        QCOMPARE(t.written[48], 0);
        QCOMPARE(t.written[49], 0);
        QCOMPARE(t.written[50], read[50] & 0x03);
        QCOMPARE(t.written[55], read[55] | 0x24);
        const int powers[] = {1, 2, 4, 8, 16, 32};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(int(t.written[56 + i]), powers[i]);
        QCOMPARE(t.written[62], 0xFF);
        QCOMPARE(t.written[63], 0xFF);
        QCOMPARE(t.written[64], CalcolaCKSSave(t.written));
    }

    void unitsAreConvertedBackWithoutChangingTheRecord() {
        Image read = sampleProteusX();
        read[35] = 0x05; // 1470 minutes: written back as 24 h = 1440
        read[36] = 0xBE;
        read[39] = 0x01; // 301 seconds: written back as 5 min = 300
        read[40] = 0x2D;
        read[38] = 0x16; // several bits: reduced to the highest
        const RoundTrip t = readThenAssemble(read);
        QCOMPARE(t.written[35] * 256 + t.written[36], 1440);
        QCOMPARE(t.written[39] * 256 + t.written[40], 300);
        QCOMPARE(t.written[38], 0x10);
        QCOMPARE(t.rec.CadenzaSopravvivenza, 24);
        QCOMPARE(t.rec.TempoCampionamentoMancanzaAC, 5);
    }

    void bandLetterForcesWrittenFrequency_data() {
        QTest::addColumn<QString>("band");
        QTest::addColumn<QByteArray>("bytes567");
        QTest::newRow("V") << "V" << QByteArray::fromHex("886180");
        QTest::newRow("U") << "U" << QByteArray::fromHex("891610");
    }
    void bandLetterForcesWrittenFrequency() {
        QFETCH(QString, band);
        QFETCH(QByteArray, bytes567);
        const RoundTrip t = readThenAssemble(sampleSicep(), band);
        QCOMPARE(t.written[5] & 0x01, static_cast<std::uint8_t>(bytes567[0]) & 0x01);
        QCOMPARE(t.written[6], static_cast<std::uint8_t>(bytes567[1]));
        QCOMPARE(t.written[7], static_cast<std::uint8_t>(bytes567[2]));
    }

    void fieldEncodings_data() {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("code");
        QTest::addColumn<double>("mhz");
        QTest::addColumn<QByteArray>("expect"); // bytes 5, 6, 7, 26, 27
        QTest::newRow("156 Proteus 7") << 0 << 7 << 156.0 << QByteArray::fromHex("8061800007");
        QTest::newRow("433.92 Sicep 7") << 2 << 7 << 433.92 << QByteArray::fromHex("810F1A0007");
        QTest::newRow("Proteus 1023") << 0 << 1023 << 156.0 << QByteArray::fromHex("80618003FF");
        QTest::newRow("Sicep 1023") << 2 << 1023 << 156.0 << QByteArray::fromHex("8061801023");
        QTest::newRow("Sicep 9999") << 2 << 9999 << 156.0 << QByteArray::fromHex("8061809999");
    }
    void fieldEncodings() {
        QFETCH(int, protocol);
        QFETCH(int, code);
        QFETCH(double, mhz);
        QFETCH(QByteArray, expect);
        ConfigRecord rec;
        rec.Protocollo = static_cast<std::int16_t>(protocol);
        rec.CodicePeriferica = static_cast<std::int16_t>(code);
        rec.FrequenzaTX = mhz;
        rec.PotenzaRF = 3;
        Image out{};
        QVERIFY(!assembleSaveImage(rec, Image{}, out));
        const int positions[] = {5, 6, 7, 26, 27};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(int(out[positions[i]]), int(static_cast<std::uint8_t>(expect[i])));
    }

    void lockTimeAndPathAndMains() {
        ConfigRecord rec;
        rec.FrequenzaTX = 156.0;
        rec.TempoAggancio = 2.5;
        rec.CodiceRep = 0; // "REP" with 0 writes a direct path
        rec.SpontaneaACOff = false;
        rec.SpontaneaIngresso = 8;
        rec.TempoCampionamentoMancanzaAC = 7;
        Image out{};
        QVERIFY(!assembleSaveImage(rec, Image{}, out));
        QCOMPARE(out[11], 25);
        QCOMPARE(out[12], 25);
        QCOMPARE(out[16], 0);
        QCOMPARE(out[17], 0);
        QCOMPARE(out[38], 0);
        QCOMPARE(out[39], 0);
        QCOMPARE(out[40], 0);
        QCOMPARE(rec.SpontaneaIngresso, 0); // cleared in the record too

        rec.TempoAggancio = 0.25; // 2.5 tenths: ties go to the even neighbour
        QVERIFY(!assembleSaveImage(rec, Image{}, out));
        QCOMPARE(out[11], 2);
        rec.ViaBidirezionale = 1;
        rec.IngressoBidi = 3;
        rec.CodiceRep = 9;
        QVERIFY(!assembleSaveImage(rec, Image{}, out));
        QCOMPARE(out[16], 3);
        QCOMPARE(out[17], 0xFE);
    }

    // A value that does not fit names its field and leaves the record and the image untouched.
    void valuesThatDoNotFit_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("control");
        QTest::newRow("cadence 547 h") << 0 << "txtCadenzaSopravvivenza";
        QTest::newRow("sampling 546 min is fine, 547 not")
            << 1 << "txtTempoCampionamentoMancanzaAC";
        QTest::newRow("lock time 25.6 s") << 2 << "txtTempoAggancio";
        QTest::newRow("no protocol") << 3 << "cmbProtocollo";
        QTest::newRow("Sicep code 10000") << 4 << "txtCodicePeriferica";
        QTest::newRow("network 65536") << 5 << "cmbCodiceRete";
        QTest::newRow("no tone") << 6 << "cmbTonoSubAudio";
        QTest::newRow("negative code") << 7 << "txtCodicePeriferica";
        QTest::newRow("frequency not a number") << 8 << "txtFrequenzaTX";
        QTest::newRow("VHF below 146 reads back as UHF") << 9 << "txtFrequenzaTX";
        QTest::newRow("VHF above 174") << 10 << "txtFrequenzaTX";
        QTest::newRow("between the bands") << 11 << "txtFrequenzaTX";
    }
    void valuesThatDoNotFit() {
        QFETCH(int, which);
        ConfigRecord rec;
        Analyze2(sampleProteusX(), {}, rec);
        rec.TempoCampionamentoMancanzaAC = 546; // 32760 s fits
        switch (which) {
        case 0:
            rec.CadenzaSopravvivenza = 547;
            break;
        case 1:
            rec.TempoCampionamentoMancanzaAC = 547;
            break;
        case 2:
            rec.TempoAggancio = 25.6;
            break;
        case 3:
            rec.Protocollo = -1;
            break;
        case 4:
            rec.Protocollo = 2;
            rec.CodicePeriferica = 10000;
            break;
        case 5:
            rec.CodiceRete = 65536;
            break;
        case 6:
            rec.TonoSubAudio = -1;
            break;
        case 7:
            rec.CodicePeriferica = -5;
            break;
        case 8:
            rec.FrequenzaTX = std::numeric_limits<double>::quiet_NaN();
            break;
        case 9:
            rec.FrequenzaTX = 140.0;
            break;
        case 10:
            rec.FrequenzaTX = 174.5;
            break;
        case 11:
            rec.FrequenzaTX = 300.0;
            break;
        }
        const ConfigRecord before = rec;
        Image out{};
        out[64] = 0x5A;
        const Image outBefore = out;
        const auto error = assembleSaveImage(rec, sampleProteusX(), out);
        QVERIFY(error.has_value());
        QTEST(error->control, "control");
        QVERIFY(error->message.contains(error->label));
        QVERIFY(out == outBefore);
        if (which != 8) // NaN never equals itself
            QVERIFY(rec == before);
    }

    void largestProductsStillFit() {
        ConfigRecord rec;
        Analyze2(sampleProteusX(), {}, rec);
        rec.CadenzaSopravvivenza = 546;
        rec.TempoCampionamentoMancanzaAC = 546;
        Image out{};
        QVERIFY(!assembleSaveImage(rec, sampleProteusX(), out));
        QCOMPARE(out[35] * 256 + out[36], 32760);
        QCOMPARE(out[39] * 256 + out[40], 32760);
        rec.InvioSopravvivenza = false;
        rec.CadenzaSopravvivenza = 5000; // not written, so not checked
        QVERIFY(!assembleSaveImage(rec, sampleProteusX(), out));
        QCOMPARE(out[35], 0xFF);
        QCOMPARE(out[36], 0xFF);
    }
};

QTEST_APPLESS_MAIN(TestConfigAssembler)
#include "tst_config_assembler.moc"
