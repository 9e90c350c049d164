#include "core/editor/collector.h"

#include "core/editor/editor_state.h"
#include "core/editor/entry_checks.h"
#include "core/editor/feature_checks.h"
#include "core/fields/number_text.h"
#include "core/image/config_assembler.h"
#include "core/options/option_lists.h"

namespace selvana::editor {

namespace {

// Converts the texts one by one and remembers the first field that failed.
class Collection {
public:
    explicit Collection(const EditorState& e) : context_(fieldContext(e)) {}

    template <typename Convert>
    auto take(Ctl control, const QString& text, Convert convert) -> decltype(convert(text)) {
        auto value = convert(text);
        if (!value) {
            const QString name = nameOf(control);
            const QString caption = fieldCaption(name, context_);
            fail(textToDouble(text) ? FieldError::outOfRange(name, caption)
                                    : FieldError::notANumber(name, caption));
        }
        return value;
    }
    void fail(const FieldError& error) {
        if (!error_)
            error_ = error;
    }
    QString caption(Ctl control) const { return fieldCaption(nameOf(control), context_); }
    const std::optional<FieldError>& error() const { return error_; }

private:
    FieldContext context_;
    std::optional<FieldError> error_;
};

QString zeroPrefixed(const QString& text) {
    return QStringLiteral("0") + text;
}

} // namespace

std::optional<FieldError> CopiaDatiSave(EditorState& e) {
    ConfigRecord rec = e.record(); // committed only when everything fits
    Collection in(e);

    if (auto f = in.take(Ctl::txtFrequenzaTX, e.text(Ctl::txtFrequenzaTX), textToDouble))
        rec.FrequenzaTX = *f;
    rec.PotenzaRF = e.checked(Ctl::optPotenzaRF_10) ? 10 : 3;
    rec.RimappaturaIngressiSicep = e.checked(Ctl::chkRimappaturaIngressiSicep);
    if (auto t = in.take(Ctl::txtTempoAggancio, e.text(Ctl::txtTempoAggancio), textToDouble))
        rec.TempoAggancio = *t;
    rec.Protocollo = static_cast<std::int16_t>(protocolCodeOf(e.position(Ctl::cmbProtocollo)));
    rec.InviaStati = e.checked(Ctl::optStati) ? 1 : 0;
    rec.ViaBidirezionale = e.position(Ctl::cmbViaTX) == 2 ? 1 : 0;
    rec.DoppioSalto = e.checked(Ctl::chkDoppioSalto);
    rec.ToniAlti = e.text(Ctl::lblToni) == QLatin1String("Alti");
    rec.TrasmissioniMultiple = e.checked(Ctl::chkTrasmissioniMultiple);
    if (auto n =
            in.take(Ctl::cmbNumTentativiTX, e[Ctl::cmbNumTentativiTX].currentText(), textToInt16))
        rec.NumTentativiTX = static_cast<std::int16_t>(*n);

    const int path = e.position(Ctl::cmbViaTX);
    if (path == 1 || path == 2) {
        if (auto v = in.take(Ctl::txtCodiceRep, e.text(Ctl::txtCodiceRep), textToByte))
            (path == 2 ? rec.IngressoBidi : rec.CodiceRep) = static_cast<std::uint8_t>(*v);
    } else {
        rec.IngressoBidi = 0;
        rec.CodiceRep = 0;
    }

    int mask = 0;
    for (Ctl box : membersOf(Array::MaskIngressi))
        if (e.checked(box))
            mask |= 1 << infoOf(box).member;
    rec.MaskIngressi = static_cast<std::uint8_t>(~mask & 0xFF);
    rec.MaskIngressiCopia = static_cast<std::uint8_t>(mask);

    // The items begin with the five-digit code.
    if (auto n = in.take(Ctl::cmbCodiceRete,
                         zeroPrefixed(e[Ctl::cmbCodiceRete].currentText().left(5)), textToInt32))
        rec.CodiceRete = static_cast<std::int32_t>(*n);
    if (auto n = in.take(Ctl::txtCodicePeriferica, e.text(Ctl::txtCodicePeriferica), textToInt16))
        rec.CodicePeriferica = static_cast<std::int16_t>(*n);
    rec.TonoSubAudio = static_cast<std::int16_t>(e.position(Ctl::cmbTonoSubAudio));
    rec.NoRisincronizza = !e.checked(Ctl::chkSync);
    rec.InvioSopravvivenza = e.checked(Ctl::chkInvioSopravvivenza);
    if (auto n = in.take(Ctl::txtCadenzaSopravvivenza,
                         zeroPrefixed(e.text(Ctl::txtCadenzaSopravvivenza)), textToInt16))
        rec.CadenzaSopravvivenza = static_cast<std::int32_t>(*n);
    rec.CentralinaIntegrata = e.checked(Ctl::chkCentralinaIntegrata);
    rec.SpontaneaACOff = e.checked(Ctl::chkSpontaneaACOff);
    if (mainsFailureInputImpossible(e))
        in.fail(FieldError::everyInputConditioned(nameOf(Ctl::chkSpontaneaACOff),
                                                  in.caption(Ctl::chkSpontaneaACOff)));
    if (auto n = in.take(Ctl::txtTempoCampionamentoMancanzaAC,
                         zeroPrefixed(e.text(Ctl::txtTempoCampionamentoMancanzaAC)), textToInt16))
        rec.TempoCampionamentoMancanzaAC = static_cast<std::int32_t>(*n);
    rec.DoppioMessaggio = e.checked(Ctl::chkDoppioMesaggio);
    const std::pair<Ctl, std::uint8_t*> times[] = {
        {Ctl::txtTempoSirena, &rec.TempoSirena},
        {Ctl::txtTempoUscita, &rec.TempoUscita},
        {Ctl::txtTempoIngresso, &rec.TempoIngresso},
    };
    for (const auto& [box, field] : times)
        if (auto n = in.take(box, e.text(box), textToByte))
            *field = static_cast<std::uint8_t>(*n);
    if (auto n =
            in.take(Ctl::txtOffsetSicep1, zeroPrefixed(e.text(Ctl::txtOffsetSicep1)), textToByte))
        rec.OffsetSicep1 = static_cast<std::uint8_t>(*n);
    if (auto n =
            in.take(Ctl::txtOffsetSicep2, zeroPrefixed(e.text(Ctl::txtOffsetSicep2)), textToByte))
        rec.OffsetSicep2 = static_cast<std::uint8_t>(*n);

    if (in.error())
        return in.error();
    Image saveImage = e.session.SaveImage;
    if (auto error = assembleSaveImage(rec, e.session.ConfigImage, saveImage))
        return error;
    e.record() = rec;
    e.session.SaveImage = saveImage;
    return std::nullopt;
}

} // namespace selvana::editor
