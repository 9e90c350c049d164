#include "common/sample_images.h"
#include "core/image/config_decoder.h"

#include <QTest>

using namespace selvana;
using namespace selvana::testing;

namespace {
ConfigRecord decode(const Image& image, const QString& band = {}) {
    ConfigRecord rec;
    Analyze2(image, band, rec);
    return rec;
}
} // namespace

class TestConfigDecoder : public QObject {
    Q_OBJECT
private slots:
    void sampleProteusXFields() {
        const ConfigRecord r = decode(sampleProteusX());
        QCOMPARE(r.FrequenzaTX, 156.0);
        QCOMPARE(r.BandaUHF, 0);
        QCOMPARE(r.PotenzaRF, 10);
        QCOMPARE(r.RimappaturaIngressiSicep, false);
        QVERIFY(qAbs(r.TempoAggancio - 2.5) < 1e-12);
        QCOMPARE(r.Protocollo, 1);
        QCOMPARE(r.InviaStati, 0);
        QCOMPARE(r.ViaBidirezionale, 0);
        QCOMPARE(r.TrasmissioniMultiple, true);
        QCOMPARE(r.ToniAlti, true);
        QCOMPARE(r.DoppioSalto, true);
        QCOMPARE(r.CodiceRep, 7);
        QCOMPARE(r.IngressoBidi, 0);
        QCOMPARE(r.NumTentativiTX, 3);
        QCOMPARE(r.MaskIngressi, 0xFE);
        QCOMPARE(r.MaskIngressiCopia, 0x01);
        QCOMPARE(r.CodiceRete, 12);
        QCOMPARE(r.CodicePeriferica, 300);
        QCOMPARE(r.NumIngressi, 4);
        QCOMPARE(r.TonoSubAudio, 5);
        QCOMPARE(r.NoRisincronizza, false);
        QCOMPARE(r.InvioSopravvivenza, true);
        QCOMPARE(r.CadenzaSopravvivenza, 24);
        QCOMPARE(r.CentralinaIntegrata, true);
        QCOMPARE(r.SpontaneaACOff, true);
        QCOMPARE(r.SpontaneaIngresso, 16);
        QCOMPARE(r.TempoCampionamentoMancanzaAC, 5);
        QCOMPARE(r.DoppioMessaggio, true);
        QCOMPARE(r.TempoSirena, 30);
        QCOMPARE(r.TempoUscita, 20);
        QCOMPARE(r.TempoIngresso, 10);
        QCOMPARE(r.OffsetSicep1, 200);
        QCOMPARE(r.OffsetSicep2, 5);
    }

    void bandLetterOverridesFrequency_data() {
        QTest::addColumn<QString>("band");
        QTest::addColumn<double>("mhz");
        QTest::addColumn<int>("uhf");
        QTest::newRow("U over VHF bytes") << "U" << 445.0 << 1;
        QTest::newRow("V") << "V" << 156.0 << 0;
        QTest::newRow("none keeps decoded") << "" << 156.0 << 0;
        QTest::newRow("lower case is no band here") << "u" << 156.0 << 0;
    }
    void bandLetterOverridesFrequency() {
        QFETCH(QString, band);
        QFETCH(double, mhz);
        QFETCH(int, uhf);
        const ConfigRecord r = decode(sampleProteusX(), band);
        QCOMPARE(r.FrequenzaTX, mhz);
        QCOMPARE(int(r.BandaUHF), uhf);
        QCOMPARE(decode(sampleSicep(), QStringLiteral("V")).BandaUHF, 0);
    }

    void frequencyIgnoresBit0OfByte5() {
        Image a = sampleProteusX();
        Image b = a;
        b[5] |= 0x01;
        QCOMPARE(decode(a).FrequenzaTX, decode(b).FrequenzaTX);
        QCOMPARE(decode(sampleSicep()).BandaUHF, 1);
    }

    // Bytes 15 (bit 4), 16 and 17: the marker in byte 17 decides, DoppioSalto keeps the first
    // reading of byte 16.
    void transmissionPath_data() {
        QTest::addColumn<int>("byte15");
        QTest::addColumn<int>("byte16");
        QTest::addColumn<int>("byte17");
        QTest::addColumn<int>("rep");
        QTest::addColumn<int>("bidi");
        QTest::addColumn<bool>("doubleHop");
        QTest::newRow("direct marker, high tones, byte 16 set")
            << 0x40 << 5 << 0x00 << 0 << 0 << true;
        QTest::newRow("direct, byte 16 zero") << 0x40 << 0 << 0x00 << 0 << 0 << false;
        QTest::newRow("repeater") << 0x00 << 9 << 0xFF << 9 << 0 << false;
        QTest::newRow("bidirectional") << 0x50 << 3 << 0xFE << 0 << 3 << true;
        QTest::newRow("bidi bit with repeater marker") << 0x10 << 6 << 0xFF << 6 << 0 << false;
        QTest::newRow("other marker") << 0x40 << 6 << 0x12 << 0 << 0 << true;
    }
    void transmissionPath() {
        QFETCH(int, byte15);
        QFETCH(int, byte16);
        QFETCH(int, byte17);
        Image image = sampleProteusX();
        image[15] = static_cast<std::uint8_t>(byte15);
        image[16] = static_cast<std::uint8_t>(byte16);
        image[17] = static_cast<std::uint8_t>(byte17);
        const ConfigRecord r = decode(image);
        QTEST(int(r.CodiceRep), "rep");
        QTEST(int(r.IngressoBidi), "bidi");
        QTEST(r.DoppioSalto, "doubleHop");
        QCOMPARE(int(r.ViaBidirezionale), (byte15 & 0x10) ? 1 : 0);
    }

    void survival_data() {
        QTest::addColumn<int>("hi");
        QTest::addColumn<int>("lo");
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("hours");
        QTest::newRow("off") << 0xFF << 0xFF << false << 0;
        QTest::newRow("59 minutes") << 0x00 << 0x3B << true << 0;
        QTest::newRow("119 minutes") << 0x00 << 0x77 << true << 1;
        QTest::newRow("FFFE") << 0xFF << 0xFE << true << 1092;
    }
    void survival() {
        QFETCH(int, hi);
        QFETCH(int, lo);
        Image image = sampleProteusX();
        image[35] = static_cast<std::uint8_t>(hi);
        image[36] = static_cast<std::uint8_t>(lo);
        const ConfigRecord r = decode(image);
        QTEST(r.InvioSopravvivenza, "on");
        QTEST(int(r.CadenzaSopravvivenza), "hours");
    }

    void mainsFailureInput_data() {
        QTest::addColumn<int>("byte38");
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("input");
        QTest::newRow("0 keeps previous") << 0x00 << false << 0x20;
        QTest::newRow("06 gives 4") << 0x06 << true << 4;
        QTest::newRow("01") << 0x01 << true << 1;
        QTest::newRow("FF gives 128") << 0xFF << true << 128;
    }
    void mainsFailureInput() {
        QFETCH(int, byte38);
        Image image = sampleProteusX();
        image[38] = static_cast<std::uint8_t>(byte38);
        ConfigRecord r;
        r.SpontaneaIngresso = 0x20;
        Analyze2(image, {}, r);
        QTEST(r.SpontaneaACOff, "on");
        QTEST(int(r.SpontaneaIngresso), "input");
    }

    void peripheralCode_data() {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("hi");
        QTest::addColumn<int>("lo");
        QTest::addColumn<int>("code");
        QTest::newRow("Sicep 0007") << 2 << 0x00 << 0x07 << 7;
        QTest::newRow("Sicep 1234") << 2 << 0x12 << 0x34 << 1234;
        QTest::newRow("Sicep 0105") << 2 << 0x01 << 0x05 << 105;
        QTest::newRow("Sicep 9999") << 2 << 0x99 << 0x99 << 9999;
        QTest::newRow("Sicep bad nibble high") << 2 << 0x1A << 0x00 << 0;
        QTest::newRow("Sicep bad nibble low") << 2 << 0x10 << 0x0F << 0;
        QTest::newRow("Proteus 0100") << 0 << 0x01 << 0x00 << 256;
        QTest::newRow("Proteus 7FFF") << 0 << 0x7F << 0xFF << 32767;
        QTest::newRow("Proteus 8000 cannot be held") << 0 << 0x80 << 0x00 << 0;
        QTest::newRow("UPR FFFF cannot be held") << 3 << 0xFF << 0xFF << 0;
    }
    void peripheralCode() {
        QFETCH(int, protocol);
        QFETCH(int, hi);
        QFETCH(int, lo);
        Image image = sampleProteusX();
        image[15] = static_cast<std::uint8_t>(protocol);
        image[26] = static_cast<std::uint8_t>(hi);
        image[27] = static_cast<std::uint8_t>(lo);
        QTEST(int(decode(image).CodicePeriferica), "code");
    }

    // The record comes from the bytes the peripheral uses and nothing else: a copy, a constant,
    // the serial number or the checksum never changes it, and each byte it is read from does.
    void onlyTheBytesItIsReadFromChangeTheRecord_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("read");
        const QList<int> readFrom = {5,  6,  7,  11, 15, 16, 17, 20, 22, 23, 24, 25, 26, 27,
                                     28, 33, 35, 36, 37, 38, 39, 40, 41, 45, 46, 47, 51, 52};
        for (int position = 1; position <= 64; ++position)
            QTest::addRow("byte %d", position) << position << readFrom.contains(position);
    }
    void onlyTheBytesItIsReadFromChangeTheRecord() {
        QFETCH(int, position);
        QFETCH(bool, read);
        const ConfigRecord sample = decode(sampleProteusX());
        int changed = 0;
        for (int v = 0; v < 256; ++v) {
            Image image = sampleProteusX();
            image[position] = static_cast<std::uint8_t>(v);
            if (!(decode(image) == sample))
                ++changed;
        }
        if (read)
            QVERIFY(changed > 0);
        else
            QCOMPARE(changed, 0);
    }
};

QTEST_APPLESS_MAIN(TestConfigDecoder)
#include "tst_config_decoder.moc"
