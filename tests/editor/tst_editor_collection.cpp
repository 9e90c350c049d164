#include "editor/model_rig.h"

using namespace selvana;
using namespace selvana::testing;

namespace {

int options(int protocol) {
    return protocol | 0x60;
}

Ctl control(const QString& name) {
    return *editor::controlNamed(name);
}

} // namespace

class TestEditorCollection : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(kItalian); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // Read, then write without edits: what comes back rebuilt; the preserved bytes unchanged.
    void unchangedWriteRebuilds_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QList<int>>("positions");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("cadence rounded to hours")
            << with(sampleProteusX(), {{35, 0x05}, {36, 0xBE}}) << QList<int>{35, 36}
            << QList<int>{0x05, 0xA0};
        QTest::newRow("sampling rounded to minutes")
            << with(sampleProteusX(), {{39, 0x01}, {40, 0x2D}}) << QList<int>{39, 40}
            << QList<int>{0x01, 0x2C};
        QTest::newRow("byte 38 to its highest bit")
            << with(sampleProteusX(), {{38, 0x16}}) << QList<int>{38} << QList<int>{0x10};
        QTest::newRow("Proteus-X: network not in the list kept")
            << sampleProteusX() << QList<int>{24, 25} << QList<int>{0, 12};
        QTest::newRow("Proteus: network not in the list written as 0")
            << with(sampleProteusX(), {{15, options(0)}}) << QList<int>{24, 25} << QList<int>{0, 0};
        QTest::newRow("protocol code 4 written as 5") << with(sampleProteusX(), {{15, options(4)}})
                                                      << QList<int>{15} << QList<int>{options(5)};
        QTest::newRow("attempts 2 written as 1")
            << with(sampleProteusX(), {{20, 2}, {21, 2}}) << QList<int>{20, 21} << QList<int>{1, 1};
        QTest::newRow("constants and copies")
            << with(sampleProteusX(), {{29, 0}, {34, 0x99}, {48, 7}, {50, 0xFF}, {54, 1}, {55, 0}})
            << QList<int>{29, 34, 48, 50, 54, 55} << QList<int>{0xFF, 0x05, 0, 0x03, 0x99, 0x24};
    }
    void unchangedWriteRebuilds() {
        QFETCH(Image, image);
        QFETCH(QList<int>, positions);
        QFETCH(QList<int>, expected);
        ModelRig r;
        r.read(image);
        const Image out = r.written();
        for (int i = 0; i < positions.size(); ++i)
            QCOMPARE(int(out[positions[i]]), expected[i]);
        QCOMPARE(out[64], CalcolaCKSSave(out));
        for (int k : {1, 2, 3, 4, 13, 14, 18, 19, 31, 32, 42, 43, 44, 53})
            QCOMPARE(out[k], image[k]);
    }

    // A band given at start-up overrides the frequency read, and that is what is written.
    void bandLetterFrequencyWritten_data() {
        QTest::addColumn<QString>("band");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("flag");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::newRow("U") << "U"
                           << "445,0000"
                           << "UHF" << 1 << 0x16 << 0x10;
        QTest::newRow("V") << "V"
                           << "156,0000"
                           << "VHF" << 0 << 0x61 << 0x80;
    }
    void bandLetterFrequencyWritten() {
        QFETCH(QString, band);
        ModelRig r;
        r.session.BandLetter = band;
        r.read(sampleSicep());
        QTEST(r.text(Ctl::txtFrequenzaTX), "shown");
        QTEST(r.text(Ctl::lblVHFUHV), "label");
        const Image out = r.written();
        QTEST(out[5] & 1, "flag");
        QTEST(int(out[6]), "high");
        QTEST(int(out[7]), "low");
    }

    void listedNetworkKept() {
        ModelRig r;
        r.session.networkList[3] = "00012Nord";
        r.read(sampleProteusX());
        QCOMPARE(r.current(Ctl::cmbCodiceRete), QStringLiteral("00012 Nord"));
        QCOMPARE(r.position(Ctl::cmbCodiceRete), 1);
        const Image out = r.written();
        QCOMPARE(out[24] * 256 + out[25], 12);
    }

    void editedValuesEncoded_data() {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("lockTime");
        QTest::addColumn<QByteArray>("expected"); // bytes 5 (bit 0), 6, 7, 11, 26, 27
        QTest::newRow("156 Proteus 1023") << "Proteus"
                                          << "1023"
                                          << "156"
                                          << "2,5" << QByteArray::fromHex("0061801903FF");
        QTest::newRow("433,92 Sicep 1023") << "Sicep"
                                           << "1023"
                                           << "433,92"
                                           << "0,1" << QByteArray::fromHex("010F1A011023");
        QTest::newRow("Sicep 7") << "Sicep"
                                 << "7"
                                 << "146"
                                 << "25,5" << QByteArray::fromHex("005B20FF0007");
        QTest::newRow("409,6 UHF wraps the word") << "Proteus-X"
                                                  << "300"
                                                  << "409,6"
                                                  << "2" << QByteArray::fromHex("01000014012C");
    }
    void editedValuesEncoded() {
        QFETCH(QString, protocol);
        QFETCH(QString, code);
        QFETCH(QString, frequency);
        QFETCH(QString, lockTime);
        QFETCH(QByteArray, expected);
        ModelRig r;
        r.read(sampleProteusX());
        QVERIFY(r.choose(Ctl::cmbProtocollo, protocol) || protocol == QLatin1String("Proteus-X"));
        r.type(Ctl::txtCodicePeriferica, code);
        r.type(Ctl::txtFrequenzaTX, frequency);
        r.type(Ctl::txtTempoAggancio, lockTime);
        const Image out = r.written();
        const auto e = [&](int i) { return int(static_cast<std::uint8_t>(expected[i])); };
        QCOMPARE(out[5] & 1, e(0));
        QCOMPARE(int(out[6]), e(1));
        QCOMPARE(int(out[7]), e(2));
        QCOMPARE(int(out[11]), e(3));
        QCOMPARE(int(out[12]), e(3));
        QCOMPARE(int(out[26]), e(4));
        QCOMPARE(int(out[27]), e(5));
    }

    // One installer action on the sample, and the bytes it makes.
    void editsAreWritten_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("value"); // text typed, item chosen, or "click"
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("expected");
        struct Row {
            const char* name;
            const char* control;
            const char* value;
            int byte;
            int mask;
            int expected;
        };
        const Row rows[] = {
            {"power 3 W", "optPotenzaRF_3", "click", 5, 0x08, 0x00},
            {"resynchronisation off", "chkSync", "click", 33, 0x80, 0x80},
            {"no tone", "cmbTonoSubAudio", "Nessuno", 33, 0x3F, 0},
            {"tone 203.5", "cmbTonoSubAudio", "203.5", 34, 0xFF, 32},
            {"states", "optStati", "click", 15, 0x08, 0x08},
            {"2 inputs", "optNumIngressi_2", "click", 28, 0xFF, 2},
            {"repeater 12", "txtCodiceRep", "12", 16, 0xFF, 12},
            {"repeater 0 writes the direct path", "txtCodiceRep", "0", 17, 0xFF, 0x00},
            {"bidirectional", "cmbViaTX", "Bidirezionale", 17, 0xFF, 0xFE},
            {"direct", "cmbViaTX", "Diretta", 16, 0xFF, 0},
            {"network chosen", "cmbCodiceRete", "00000 Non assegnata", 25, 0xFF, 0},
            {"input 8 conditioned", "ckMaskIngressi_7", "click", 22, 0xFF, 0x7F},
            {"input 8 conditioned, plain copy", "ckMaskIngressi_7", "click", 23, 0xFF, 0x80},
            {"survival off", "chkInvioSopravvivenza", "click", 36, 0xFF, 0xFF},
            {"cadence 2 h", "txtCadenzaSopravvivenza", "2", 36, 0xFF, 120},
            {"panel off", "chkCentralinaIntegrata", "click", 37, 0xFF, 0},
            {"mains input 7", "optSpontaneaIngresso_7", "click", 38, 0xFF, 64},
            {"mains failure off", "chkSpontaneaACOff", "click", 40, 0xFF, 0},
            {"sampling 3 min", "txtTempoCampionamentoMancanzaAC", "3", 40, 0xFF, 180},
            {"double message off", "chkDoppioMesaggio", "click", 41, 0xFF, 0},
            {"siren 255", "txtTempoSirena", "255", 45, 0xFF, 255},
            {"exit 1", "txtTempoUscita", "1", 46, 0xFF, 1},
            {"entry 99", "txtTempoIngresso", "99", 47, 0xFF, 99},
            {"double hop off: low tones", "chkDoppioSalto", "click", 15, 0x40, 0},
            {"lock time 0,7", "txtTempoAggancio", "0,7", 11, 0xFF, 7},
            {"lock time 2,45 rounds to even", "txtTempoAggancio", "2,45", 11, 0xFF, 24},
            {"Proteus offsets written as 0", "cmbProtocollo", "Proteus", 51, 0xFF, 0},
        };
        for (const Row& row : rows)
            QTest::newRow(row.name)
                << row.control << row.value << row.byte << row.mask << row.expected;
    }
    void editsAreWritten() {
        QFETCH(QString, control);
        QFETCH(QString, value);
        QFETCH(int, byte);
        QFETCH(int, mask);
        ModelRig r;
        r.session.networkList[1] = "00012Nord";
        r.read(with(sampleProteusX(), {{22, 0xFF}, {23, 0x00}}));
        const Ctl id = ::control(control);
        switch (editor::infoOf(id).kind) {
        case editor::Kind::TextBox:
            r.type(id, value);
            break;
        case editor::Kind::List:
            QVERIFY(r.choose(id, value));
            break;
        default:
            QVERIFY(r.click(id));
            break;
        }
        // What a write would send is what it sends; asking commits nothing to the record.
        const ConfigRecord record = r.session.record;
        const auto would = r.model.wouldWrite();
        QVERIFY(r.session.record == record);
        const Image out = r.written();
        QVERIFY(std::holds_alternative<Image>(would) && std::get<Image>(would) == out);
        QTEST(out[byte] & mask, "expected");
    }

    void decimalFollowsLocale() {
        QLocale::setDefault(kEnglish);
        ModelRig r;
        r.read(sampleProteusX());
        QCOMPARE(r.text(Ctl::txtFrequenzaTX), QStringLiteral("156.0000"));
        QCOMPARE(r.text(Ctl::txtTempoAggancio), QStringLiteral("2.5"));
        r.type(Ctl::txtTempoAggancio, QStringLiteral("0.7"));
        QCOMPARE(r.written()[11], 7);
        r.model.edit(Ctl::txtTempoAggancio, QStringLiteral("2,5")); // not this locale's number
        QVERIFY(r.model.collect().has_value());
    }

    // Nothing changes when a field cannot be collected; the error names the control and says,
    // with the field's caption, what is wrong.
    void fieldThatStopsTheWrite_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message"); // its start
        const QString nan = QStringLiteral("Il campo \"%1\" non contiene un numero valido.");
        const QString range = QStringLiteral("Il valore del campo \"%1\" è fuori dai limiti");
        const QString unstorable = QStringLiteral(
            "Il valore del campo \"Frequenza TX (Mhz)\" (%1 MHz) non può essere memorizzato "
            "dalla periferica, che lo rileggerebbe come %2 MHz: usare una frequenza da 146 a 174 "
            "MHz (VHF) o da 400 a 470 MHz (UHF) e ripetere l'operazione.");
        struct Row {
            const char* name;
            const char* control;
            const char* text;
            QString message;
        };
        const Row rows[] = {
            {"empty siren time", "txtTempoSirena", "", nan.arg("Tempo Sirena (s)")},
            {"siren time over a byte", "txtTempoSirena", "256", range.arg("Tempo Sirena (s)")},
            {"exit time not a number", "txtTempoUscita", "1a", nan.arg("Tempo Uscita (s)")},
            {"entry time over a byte", "txtTempoIngresso", "300", range.arg("Tempo Ingresso (s)")},
            {"frequency not a number", "txtFrequenzaTX", "1,2,3", nan.arg("Frequenza TX (Mhz)")},
            {"empty frequency", "txtFrequenzaTX", "", nan.arg("Frequenza TX (Mhz)")},
            {"frequency below VHF reads back as UHF", "txtFrequenzaTX", "140",
             unstorable.arg("140,0000", "549,6000")},
            {"frequency above VHF", "txtFrequenzaTX", "175",
             unstorable.arg("175,0000", "584,6000")},
            {"empty code", "txtCodicePeriferica", "", nan.arg("Codice Periferica")},
            {"code over 16 bits", "txtCodicePeriferica", "40000", range.arg("Codice Periferica")},
            {"lock time over a byte", "txtTempoAggancio", "25,6", range.arg("T agg. ponte (s)")},
            {"empty lock time", "txtTempoAggancio", "", nan.arg("T agg. ponte (s)")},
            {"sampling time product", "txtTempoCampionamentoMancanzaAC", "547",
             range.arg("Tempo Campionamento (min)")},
            {"cadence product", "txtCadenzaSopravvivenza", "547", range.arg("Cadenza (ore)")},
            {"cadence not a number", "txtCadenzaSopravvivenza", "x", nan.arg("Cadenza (ore)")},
            {"repeater emptied", "txtCodiceRep", "", nan.arg("Codice REP")},
            {"repeater over a byte", "txtCodiceRep", "256", range.arg("Codice REP")},
            {"offset over a byte", "txtOffsetSicep1", "256", range.arg("Offset SICEP 1")},
            {"offset not a number", "txtOffsetSicep2", "-", nan.arg("Offset SICEP 2")},
        };
        for (const Row& row : rows)
            QTest::newRow(row.name) << row.control << row.text << row.message;
    }
    void fieldThatStopsTheWrite() {
        QFETCH(QString, control);
        QFETCH(QString, text);
        QFETCH(QString, message);
        ModelRig r;
        r.read(sampleProteusX());
        r.written();
        const ConfigRecord before = r.session.record;
        const Image saveBefore = r.session.SaveImage;
        const Ctl id = ::control(control);
        if (control.startsWith(QLatin1String("txtOffset"))) // shown under Sicep only
            QVERIFY(r.choose(Ctl::cmbProtocollo, QStringLiteral("Sicep")));
        QVERIFY(r.model.edit(id, text));
        const ConfigRecord edited = r.session.record;
        // The list of changes shows the refusal a write would meet.
        const auto changes = r.model.changesFromRead();
        const auto error = r.model.collect();
        QVERIFY(error);
        QVERIFY(std::holds_alternative<FieldError>(changes));
        QCOMPARE(std::get<FieldError>(changes).message, error->message);
        QCOMPARE(error->control, control);
        QVERIFY2(error->message.startsWith(message), qPrintable(error->message));
        QVERIFY(error->message.contains(QLatin1Char('"') + error->label + QLatin1Char('"')));
        QVERIFY(r.session.SaveImage == saveBefore);
        QVERIFY(r.session.record == edited);
        if (!control.startsWith(QLatin1String("txtOffset")))
            QVERIFY(r.session.record == before);
    }

    // The bidirectional path names its box by its own caption.
    void bidirectionalInputNamed() {
        ModelRig r;
        r.read(with(sampleProteusX(), {{15, 0x71}, {16, 3}, {17, 0xFE}}));
        r.model.edit(Ctl::txtCodiceRep, QString());
        const auto error = r.model.collect();
        QVERIFY(error);
        QCOMPARE(error->label, QStringLiteral("Ingresso BIDI"));
    }

    // A write keeps the editor's units in the record, which the rules copy back into boxes.
    void recordKeepsTheEditorsUnits() {
        ModelRig r;
        r.read(sampleProteusX());
        r.type(Ctl::txtCadenzaSopravvivenza, QStringLiteral("12"));
        r.type(Ctl::txtTempoCampionamentoMancanzaAC, QStringLiteral("7"));
        const Image out = r.written();
        QCOMPARE(out[35] * 256 + out[36], 720);
        QCOMPARE(out[39] * 256 + out[40], 420);
        QCOMPARE(r.session.record.CadenzaSopravvivenza, 12);
        QCOMPARE(r.session.record.TempoCampionamentoMancanzaAC, 7);
        QVERIFY(r.click(Ctl::chkInvioSopravvivenza));
        QVERIFY(r.click(Ctl::chkInvioSopravvivenza));
        QCOMPARE(r.text(Ctl::txtCadenzaSopravvivenza), QStringLiteral("12"));
    }
};

QTEST_APPLESS_MAIN(TestEditorCollection)
#include "tst_editor_collection.moc"
