#include "ui/collector.h"

#include "core/fields/number_text.h"
#include "core/image/config_assembler.h"
#include "core/options/option_lists.h"
#include "ui/editor_context.h"
#include "ui/feature_checks.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

namespace selvana {

namespace {

// The label an installer reads beside each collected text, for the message.
QString labelOf(const QWidget* box) {
    static const std::pair<const char*, const char*> labels[] = {
        {"txtFrequenzaTX", "Frequenza TX (Mhz)"},
        {"txtTempoAggancio", "T agg. ponte (s)"},
        {"cmbNumTentativiTX", "Num. Tentativi"},
        {"txtCodiceRep", nullptr},
        {"cmbCodiceRete", "Codice Rete"},
        {"txtCodicePeriferica", "Codice Periferica"},
        {"txtCadenzaSopravvivenza", "Cadenza (ore)"},
        {"txtTempoCampionamentoMancanzaAC", "Tempo Campionamento (min)"},
        {"txtTempoSirena", "Tempo Sirena (s)"},
        {"txtTempoUscita", "Tempo Uscita (s)"},
        {"txtTempoIngresso", "Tempo Ingresso (s)"},
        {"txtOffsetSicep1", "Offset SICEP 1"},
        {"txtOffsetSicep2", "Offset SICEP 2"},
    };
    for (const auto& [name, label] : labels)
        if (box->objectName() == QLatin1String(name))
            return label ? QString::fromUtf8(label) : QString();
    return box->objectName();
}

// Converts one text; on failure remembers the first field that failed.
class Collection {
public:
    explicit Collection(const EditorControls& c) : c_(c) {}

    template <typename Convert>
    auto take(const QWidget* box, const QString& text, Convert convert) -> decltype(convert(text)) {
        auto value = convert(text);
        if (!value && !error_) {
            QString label = labelOf(box);
            if (label.isEmpty()) // txtCodiceRep: its label follows the path
                label = c_.lblCodRep->text();
            error_ = textToDouble(text) ? FieldError::outOfRange(box->objectName(), label)
                                        : FieldError::notANumber(box->objectName(), label);
        }
        return value;
    }
    std::optional<FieldError> error() const { return error_; }

private:
    const EditorControls& c_;
    std::optional<FieldError> error_;
};

QString zeroPrefixed(const QString& text) {
    return QStringLiteral("0") + text;
}

} // namespace

std::optional<FieldError> CopiaDatiSave(EditorContext& ctx) {
    const EditorControls& c = ctx.c;
    ConfigRecord rec = ctx.s.record; // committed only when everything fits
    Collection in(c);

    if (auto f = in.take(c.txtFrequenzaTX, c.txtFrequenzaTX->text(), textToDouble)) // 1
        rec.FrequenzaTX = *f;
    rec.PotenzaRF = c.optPotenzaRF.at(10)->isChecked() ? 10 : 3;                        // 2
    rec.RimappaturaIngressiSicep = c.chkRimappaturaIngressiSicep->isChecked();          // 3
    if (auto t = in.take(c.txtTempoAggancio, c.txtTempoAggancio->text(), textToDouble)) // 4
        rec.TempoAggancio = *t;
    rec.Protocollo =
        static_cast<std::int16_t>(protocolCodeOf(c.cmbProtocollo->currentIndex())); // 5
    rec.InviaStati = c.optStati->isChecked() ? 1 : 0;                               // 6
    rec.ViaBidirezionale = c.cmbViaTX->currentIndex() == 2 ? 1 : 0;                 // 7
    rec.DoppioSalto = c.chkDoppioSalto->isChecked();                                // 8
    rec.ToniAlti = c.lblToni->text() == QLatin1String("Alti");                      // 9
    rec.TrasmissioniMultiple = c.chkTrasmissioniMultiple->isChecked();              // 10
    if (auto n =
            in.take(c.cmbNumTentativiTX, c.cmbNumTentativiTX->currentText(), textToInt16)) // 11
        rec.NumTentativiTX = static_cast<std::int16_t>(*n);
    const int path = c.cmbViaTX->currentIndex(); // 12
    if (path == 2 || path == 1) {
        if (auto v = in.take(c.txtCodiceRep, c.txtCodiceRep->text(), textToByte))
            (path == 2 ? rec.IngressoBidi : rec.CodiceRep) = static_cast<std::uint8_t>(*v);
    } else {
        rec.IngressoBidi = 0;
        rec.CodiceRep = 0;
    }
    int mask = 0; // 13
    for (int i = 0; i < 8; ++i)
        if (c.ckMaskIngressi[i]->isChecked())
            mask |= 1 << i;
    rec.MaskIngressi = static_cast<std::uint8_t>(~mask & 0xFF);
    rec.MaskIngressiCopia = static_cast<std::uint8_t>(mask);
    if (auto n =
            in.take(c.cmbCodiceRete, zeroPrefixed(c.cmbCodiceRete->currentText().left(5)), // 14
                    textToInt32))
        rec.CodiceRete = static_cast<std::int32_t>(*n);
    if (auto n = in.take(c.txtCodicePeriferica, c.txtCodicePeriferica->text(), textToInt16)) // 15
        rec.CodicePeriferica = static_cast<std::int16_t>(*n);
    rec.TonoSubAudio = static_cast<std::int16_t>(c.cmbTonoSubAudio->currentIndex()); // 16
    rec.NoRisincronizza = !c.chkSync->isChecked();                                   // 17
    rec.InvioSopravvivenza = c.chkInvioSopravvivenza->isChecked();                   // 18
    if (auto n = in.take(c.txtCadenzaSopravvivenza,
                         zeroPrefixed(c.txtCadenzaSopravvivenza->text()), // 19
                         textToInt16))
        rec.CadenzaSopravvivenza = static_cast<std::int32_t>(*n);
    rec.CentralinaIntegrata = c.chkCentralinaIntegrata->isChecked(); // 20
    rec.SpontaneaACOff = c.chkSpontaneaACOff->isChecked();           // 21
    if (auto n = in.take(c.txtTempoCampionamentoMancanzaAC,          // 22
                         zeroPrefixed(c.txtTempoCampionamentoMancanzaAC->text()), textToInt16))
        rec.TempoCampionamentoMancanzaAC = static_cast<std::int32_t>(*n);
    rec.DoppioMessaggio = c.chkDoppioMesaggio->isChecked(); // 23
    const std::pair<TaggedLineEdit*, std::uint8_t*> times[] = {
        {c.txtTempoSirena, &rec.TempoSirena},     // 24
        {c.txtTempoUscita, &rec.TempoUscita},     // 25
        {c.txtTempoIngresso, &rec.TempoIngresso}, // 26
    };
    for (const auto& [box, field] : times)
        if (auto n = in.take(box, box->text(), textToByte))
            *field = static_cast<std::uint8_t>(*n);
    if (auto n =
            in.take(c.txtOffsetSicep1, zeroPrefixed(c.txtOffsetSicep1->text()), textToByte)) // 27
        rec.OffsetSicep1 = static_cast<std::uint8_t>(*n);
    if (auto n =
            in.take(c.txtOffsetSicep2, zeroPrefixed(c.txtOffsetSicep2->text()), textToByte)) // 28
        rec.OffsetSicep2 = static_cast<std::uint8_t>(*n);

    if (auto error = in.error())
        return error;
    if (auto error = checkMainsInput(mainsInputRule(ctx), rec.SpontaneaACOff))
        return error;
    Image saveImage = ctx.s.SaveImage;
    if (auto error = assembleSaveImage(rec, ctx.s.ConfigImage, saveImage))
        return error;
    ctx.s.record = rec;
    ctx.s.SaveImage = saveImage;
    return std::nullopt;
}

} // namespace selvana
