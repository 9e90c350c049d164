#include "core/fields/config_changes.h"
#include "core/fields/field_table.h"
#include "core/image/config_assembler.h"
#include "core/image/config_decoder.h"
#include "editor/model_rig.h"

#include <algorithm>

using namespace selvana;
using namespace selvana::testing;
using editor::Kind;

namespace {

// Sets the record field a stored range bounds.
void setField(ConfigRecord& rec, const QString& field, long long value) {
    if (field == QLatin1String("Protocollo"))
        rec.Protocollo = static_cast<std::int16_t>(value);
    else if (field == QLatin1String("NumTentativiTX"))
        rec.NumTentativiTX = static_cast<std::int16_t>(value);
    else if (field == QLatin1String("CodiceRete"))
        rec.CodiceRete = static_cast<std::int32_t>(value);
    else if (field == QLatin1String("CodicePeriferica"))
        rec.CodicePeriferica = static_cast<std::int16_t>(value);
    else if (field == QLatin1String("TonoSubAudio"))
        rec.TonoSubAudio = static_cast<std::int16_t>(value);
    else if (field == QLatin1String("CadenzaSopravvivenza"))
        rec.CadenzaSopravvivenza = static_cast<std::int32_t>(value);
    else if (field == QLatin1String("TempoCampionamentoMancanzaAC"))
        rec.TempoCampionamentoMancanzaAC = static_cast<std::int32_t>(value);
    else if (field == QLatin1String("TempoAggancio"))
        rec.TempoAggancio = value / 10.0;
    else
        qFatal("no field %s", qPrintable(field));
}

} // namespace

class TestEditorFields : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(kItalian); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // Every control of the window's editor is in the model under its objectName, as its kind.
    void controlsByName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        const std::pair<Kind, QStringList> kinds[] = {
            {Kind::Frame, {"Frame4", "Frame6", "Frame5", "Frame8", "Frame2", "Frame11"}},
            {Kind::Button, {"btnEsporta", "btnImporta"}},
            {Kind::TextBox,
             {"txtCadenzaSopravvivenza", "txtCodicePeriferica", "txtFrequenzaTX",
              "txtTempoAggancio", "txtTempoCampionamentoMancanzaAC", "txtTempoIngresso",
              "txtTempoSirena", "txtTempoUscita", "txtSerialNumber", "txtCodiceRep",
              "txtOffsetSicep1", "txtOffsetSicep2", "txtOffsetSicepHex01", "txtOffsetSicepHex02"}},
            {Kind::List,
             {"cmbCodiceRete", "cmbNumTentativiTX", "cmbProtocollo", "cmbTonoSubAudio",
              "cmbViaTX"}},
            {Kind::Label,
             {"lblSerialNumber", "lblVHFUHV", "lblToni", "lblCodRep", "lblIngressiCondiz"}},
            {Kind::CheckBox,
             {"chkDoppioSalto", "chkCentralinaIntegrata", "ckMaskIngressi_0", "ckMaskIngressi_7",
              "chkInvioSopravvivenza", "chkSync", "chkTrasmissioniMultiple", "chkDoppioMesaggio",
              "chkRimappaturaIngressiSicep", "chkSpontaneaACOff"}},
            {Kind::Option,
             {"optPotenzaRF_3", "optPotenzaRF_10", "optNumIngressi_1", "optNumIngressi_2",
              "optNumIngressi_4", "optNumIngressi_6", "optNumIngressi_8", "optStati", "optAllarmi",
              "optSpontaneaIngresso_1", "optSpontaneaIngresso_8"}},
        };
        for (const auto& [kind, names] : kinds)
            for (const QString& name : names)
                QTest::newRow(qPrintable(name)) << name << int(kind);
    }
    void controlsByName() {
        QFETCH(QString, name);
        QFETCH(int, kind);
        const auto id = editor::controlNamed(name);
        QVERIFY(id);
        QCOMPARE(editor::nameOf(*id), name);
        QCOMPARE(int(editor::infoOf(*id).kind), kind);
        SessionData session;
        const editor::EditorModel model(session);
        QVERIFY(model.control(name));
    }

    // The arrays and their member numbers.
    void arrays() {
        const auto members = [](editor::Array array) {
            QList<int> numbers;
            for (Ctl id : editor::membersOf(array))
                numbers << editor::infoOf(id).member;
            return numbers;
        };
        QCOMPARE(members(editor::Array::NumIngressi), (QList<int>{1, 2, 4, 6, 8}));
        QCOMPARE(members(editor::Array::PotenzaRF), (QList<int>{3, 10}));
        QCOMPARE(members(editor::Array::SpontaneaIngresso), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        QCOMPARE(members(editor::Array::MaskIngressi), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(members(editor::Array::Invio), (QList<int>{1, 0}));
        QCOMPARE(editor::memberOf(editor::Array::NumIngressi, 6), Ctl::optNumIngressi_6);
        QVERIFY(!editor::memberOf(editor::Array::NumIngressi, 3));
    }

    // Every row of the field table shows on a control of the model (an array by its members),
    // and every box of the model has its row.
    void everyFieldOnAControl() {
        for (const EditorField& field : editorFields()) {
            const QString name = QLatin1String(field.control);
            bool found = editor::controlNamed(name).has_value();
            for (const editor::ControlInfo& info : editor::controlInfos())
                found = found || QLatin1String(info.name).startsWith(name + QLatin1Char('_'));
            QVERIFY2(found, field.control);
        }
        for (const editor::ControlInfo& info : editor::controlInfos())
            if (info.kind == Kind::TextBox || info.kind == Kind::CheckBox ||
                info.kind == Kind::List || info.kind == Kind::Option)
                QVERIFY2(editorField(QString::fromLatin1(info.name)), info.name);
    }

    void captions_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("path");
        QTest::addColumn<QString>("caption");
        const std::pair<const char*, const char*> rows[] = {
            {"txtCadenzaSopravvivenza", "Cadenza (ore)"},
            {"txtCodicePeriferica", "Codice Periferica"},
            {"txtFrequenzaTX", "Frequenza TX (Mhz)"},
            {"txtTempoAggancio", "T agg. ponte (s)"},
            {"txtTempoCampionamentoMancanzaAC", "Tempo Campionamento (min)"},
            {"txtTempoIngresso", "Tempo Ingresso (s)"},
            {"txtTempoSirena", "Tempo Sirena (s)"},
            {"txtTempoUscita", "Tempo Uscita (s)"},
            {"cmbCodiceRete", "Codice Rete"},
            {"cmbNumTentativiTX", "Num. Tentativi"},
            {"cmbProtocollo", "Protocollo"},
            {"cmbTonoSubAudio", "Tono Subaudio"},
            {"cmbViaTX", "Via di TX"},
            {"txtSerialNumber", "Serial Number"},
            {"lblVHFUHV", "Tipo Frequenza"},
            {"lblToni", "Toni"},
            {"optPotenzaRF_10", "Potenza TX (W)"},
            {"optNumIngressi_4", "Num. Ingr."},
            {"ckMaskIngressi_3", "Ingressi condizionati:"},
            {"txtOffsetSicep1", "Offset SICEP 1"},
            {"txtOffsetSicep2", "Offset SICEP 2"},
            {"txtOffsetSicepHex02", "Hex:"},
            {"optSpontaneaIngresso_2", "Ing."},
            {"chkSpontaneaACOff", "Spontanea su mancanza rete"},
            {"chkDoppioMesaggio", "Invio doppio messaggio"},
            {"chkSync", "Risincronizza sopravvivenza"},
            {"chkInvioSopravvivenza", "Invio Sopravviv."},
        };
        for (const auto& [control, caption] : rows)
            QTest::newRow(control) << control << 0 << caption;
        QTest::newRow("txtCodiceRep on REP") << "txtCodiceRep" << 1 << "Codice REP";
        QTest::newRow("txtCodiceRep on Bidirezionale") << "txtCodiceRep" << 2 << "Ingresso BIDI";
        QTest::newRow("unknown name") << "txtNessuno" << 0 << "txtNessuno";
    }
    void captions() {
        QFETCH(QString, control);
        QFETCH(int, path);
        FieldContext context;
        context.path = path;
        QTEST(fieldCaption(control, context), "caption");
    }

    void entryRanges_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("band");
        QTest::addColumn<int>("path");
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<double>("lowest");
        QTest::addColumn<double>("highest");
        QTest::newRow("VHF frequency") << "txtFrequenzaTX" << 0 << 0 << "" << 140.0 << 175.0;
        QTest::newRow("UHF frequency") << "txtFrequenzaTX" << 1 << 0 << "" << 400.0 << 470.0;
        QTest::newRow("repeater") << "txtCodiceRep" << 0 << 1 << "" << 1.0 << 64.0;
        QTest::newRow("bidirectional input") << "txtCodiceRep" << 0 << 2 << "" << 1.0 << 8.0;
        QTest::newRow("Proteus code")
            << "txtCodicePeriferica" << 0 << 0 << "Proteus" << 1.0 << 1023.0;
        QTest::newRow("Sicep code") << "txtCodicePeriferica" << 0 << 0 << "Sicep" << 1.0 << 9999.0;
        QTest::newRow("no protocol: nothing valid")
            << "txtCodicePeriferica" << 0 << 0 << "" << 1.0 << 0.0;
        QTest::newRow("lock time") << "txtTempoAggancio" << 0 << 0 << "" << 0.1 << 25.5;
        QTest::newRow("cadence") << "txtCadenzaSopravvivenza" << 0 << 0 << "" << 1.0 << 240.0;
        QTest::newRow("offset") << "txtOffsetSicep2" << 0 << 0 << "" << 0.0 << 255.0;
    }
    void entryRanges() {
        QFETCH(QString, control);
        QFETCH(int, band);
        QFETCH(int, path);
        QFETCH(QString, protocol);
        FieldContext context;
        context.bandaUHF = static_cast<std::uint8_t>(band);
        context.path = path;
        context.protocol = protocol;
        const auto range = entryRange(*editorField(control), context);
        QVERIFY(range);
        QTEST(range->lowest, "lowest");
        QTEST(range->highest, "highest");
    }

    // The image's limits are the field table's: the assembler takes the highest value and
    // refuses the next, naming the field by its caption.
    void storedRanges_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("highest");
        QTest::newRow("lock time, tenths") << "txtTempoAggancio"
                                           << "TempoAggancio" << 1 << 255;
        QTest::newRow("protocol") << "cmbProtocollo"
                                  << "Protocollo" << 1 << 7;
        QTest::newRow("attempts") << "cmbNumTentativiTX"
                                  << "NumTentativiTX" << 1 << 255;
        QTest::newRow("network") << "cmbCodiceRete"
                                 << "CodiceRete" << 1 << 65535;
        QTest::newRow("code, plain") << "txtCodicePeriferica"
                                     << "CodicePeriferica" << 1 << 32767;
        QTest::newRow("code, packed BCD") << "txtCodicePeriferica"
                                          << "CodicePeriferica" << 2 << 9999;
        QTest::newRow("tone") << "cmbTonoSubAudio"
                              << "TonoSubAudio" << 1 << 63;
        QTest::newRow("cadence") << "txtCadenzaSopravvivenza"
                                 << "CadenzaSopravvivenza" << 1 << 546;
        QTest::newRow("sampling") << "txtTempoCampionamentoMancanzaAC"
                                  << "TempoCampionamentoMancanzaAC" << 1 << 546;
    }
    void storedRanges() {
        QFETCH(QString, control);
        QFETCH(QString, field);
        QFETCH(int, protocol);
        QFETCH(int, highest);
        ConfigRecord rec;
        Analyze2(sampleProteusX(), {}, rec);
        rec.Protocollo = static_cast<std::int16_t>(protocol);
        Image out{};
        setField(rec, field, highest);
        QVERIFY(!assembleSaveImage(rec, sampleProteusX(), out));
        // The change list names the field as the editor captions it.
        const QList<ConfigChange> changes = configurationChanges(sampleProteusX(), out);
        const QString caption = fieldCaption(control).remove(QLatin1Char(':'));
        QVERIFY2(std::any_of(changes.cbegin(), changes.cend(),
                             [&caption](const ConfigChange& c) {
                                 return c.shown && c.label.startsWith(caption) &&
                                        c.before != c.after;
                             }),
                 qPrintable(changeLines(changes).join(QStringLiteral(" | "))));
        setField(rec, field, highest + 1);
        const auto error = assembleSaveImage(rec, sampleProteusX(), out);
        QVERIFY(error);
        QCOMPARE(error->control, control);
        QCOMPARE(error->label, fieldCaption(control));
        QVERIFY(error->message.contains(QLatin1Char('"') + error->label + QLatin1Char('"')));
    }
};

QTEST_APPLESS_MAIN(TestEditorFields)
#include "tst_editor_fields.moc"
