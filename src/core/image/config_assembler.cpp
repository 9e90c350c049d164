#include "core/image/config_assembler.h"

#include "core/fields/field_table.h"
#include "core/fields/number_text.h"
#include "core/image/checksum.h"
#include "core/image/frequency_codec.h"
#include "core/image/memory_map.h"
#include "core/image/rounding.h"

#include <QLocale>

#include <cmath>

namespace selvana {

using namespace map;

namespace {

constexpr double kHighestFrequencyMHz = 1e6;
constexpr double kHalfStepMHz = 0.0125 / 2;

std::uint8_t hexByte(const QString& digits) {
    return static_cast<std::uint8_t>(digits.toUInt(nullptr, 16));
}

enum class Refusal { OutOfRange, NoSelection };

// The image's limit for the field a control shows, and the message naming its caption.
std::optional<FieldError> outside(const char* control, double value, const FieldContext& context,
                                  Refusal refusal = Refusal::OutOfRange) {
    const EditorField& field = *editorField(QString::fromLatin1(control));
    if (storedRange(field, context)->contains(value))
        return std::nullopt;
    const QString name = QLatin1String(control);
    const QString caption = fieldCaption(field, context);
    return refusal == Refusal::NoSelection ? FieldError::noSelection(name, caption)
                                           : FieldError::outOfRange(name, caption);
}

// A frequency outside the bands the synthesizer word counts from (VHF below 146 or above
// 174 MHz, say) would be written as a word that reads back as another frequency, in the other
// band: it is refused rather than written wrong, and the message says so.
std::optional<FieldError> unwritableFrequency(double frequency) {
    const QString name = QStringLiteral("txtFrequenzaTX");
    const EditorField& field = *editorField(name);
    const QString caption = fieldCaption(field);
    if (!std::isfinite(frequency) || frequency < 0.0 || frequency >= kHighestFrequencyMHz)
        return FieldError::outOfRange(name, caption);
    const double reread = DecodificaFrequenza(CodificaFrequenza(frequency));
    if (std::fabs(reread - frequency) < kHalfStepMHz)
        return std::nullopt;
    const QLocale locale;
    FieldContext uhfBand;
    uhfBand.bandaUHF = 1;
    const FieldRange uhf = *entryRange(field, uhfBand);
    return FieldError{
        name, caption,
        QStringLiteral("Il valore del campo \"%1\" (%2 MHz) non può essere memorizzato dalla "
                       "periferica, che lo rileggerebbe come %3 MHz: usare una frequenza da %4 a "
                       "%5 MHz (VHF) o da %6 a %7 MHz (UHF) e ripetere l'operazione.")
            .arg(caption, fixedText(frequency, 4), fixedText(reread, 4),
                 locale.toString(kVhfBaseMHz), locale.toString(kVhfTopMHz),
                 locale.toString(kUhfBaseMHz), locale.toString(uhf.highest))};
}

// Validates everything that could overflow a byte or a 16-bit product before a byte is written.
std::optional<FieldError> check(const ConfigRecord& rec) {
    FieldContext context;
    context.bandaUHF = rec.BandaUHF;
    context.path = rec.ViaBidirezionale != 0 ? 2 : (rec.CodiceRep != 0 ? 1 : 0);
    context.protocolCode = rec.Protocollo;
    if (auto error = unwritableFrequency(rec.FrequenzaTX))
        return error;
    // Tenths of a second, as they are written.
    if (auto error =
            outside("txtTempoAggancio", roundHalfEven(rec.TempoAggancio * 10.0) / 10.0, context))
        return error;
    if (auto error = outside("cmbProtocollo", rec.Protocollo, context, Refusal::NoSelection))
        return error;
    if (auto error = outside("cmbNumTentativiTX", rec.NumTentativiTX, context))
        return error;
    if (auto error = outside("cmbCodiceRete", rec.CodiceRete, context))
        return error;
    if (auto error = outside("txtCodicePeriferica", rec.CodicePeriferica, context))
        return error;
    if (auto error = outside("cmbTonoSubAudio", rec.TonoSubAudio, context, Refusal::NoSelection))
        return error;
    if (rec.InvioSopravvivenza) {
        if (auto error = outside("txtCadenzaSopravvivenza", rec.CadenzaSopravvivenza, context))
            return error;
    }
    if (rec.SpontaneaACOff) {
        if (auto error = outside("txtTempoCampionamentoMancanzaAC",
                                 rec.TempoCampionamentoMancanzaAC, context))
            return error;
    }
    return std::nullopt;
}

} // namespace

std::optional<FieldError> assembleSaveImage(ConfigRecord& rec, const Image& pre, Image& saveImage) {
    if (auto error = check(rec))
        return error;

    Image s{};
    s[0] = saveImage[0];
    for (int k : kPreserved)
        s[k] = pre[k];

    const QString t = CodificaFrequenza(rec.FrequenzaTX);
    s[kFlags] = kFlagsAlwaysSet | (rec.RimappaturaIngressiSicep ? kFlagsSicepRemap : 0) |
                (rec.PotenzaRF == 10 ? kFlagsPower10W : 0) | hexByte(t.mid(0, 2));
    s[kWordHigh] = hexByte(t.mid(2, 2));
    s[kWordLow] = hexByte(t.mid(4, 2));
    s[kFlagsCopy] = s[kFlags] & 0x7F;
    s[kWordHighCopy] = s[kWordHigh];
    s[kWordLowCopy] = s[kWordLow];

    s[kLockTime] = static_cast<std::uint8_t>(roundHalfEven(rec.TempoAggancio * 10.0));
    s[kLockTimeCopy] = s[kLockTime];

    s[kOptions] =
        static_cast<std::uint8_t>(rec.Protocollo | 8 * rec.InviaStati | 16 * rec.ViaBidirezionale |
                                  (rec.TrasmissioniMultiple ? kOptionsMultipleTx : 0) |
                                  (rec.ToniAlti ? kOptionsHighTones : 0));

    if (rec.ViaBidirezionale != 0) {
        s[kPathParameter] = rec.IngressoBidi;
        s[kPathMarker] = kPathBidirectional;
    } else if (rec.CodiceRep > 0) {
        s[kPathParameter] = rec.CodiceRep;
        s[kPathMarker] = kPathRepeater;
    } else {
        s[kPathParameter] = 0;
        s[kPathMarker] = kPathDirect;
    }

    s[kTxAttempts] = static_cast<std::uint8_t>(rec.NumTentativiTX);
    s[kTxAttemptsCopy] = s[kTxAttempts];
    s[kInputMaskInverted] = rec.MaskIngressi;
    s[kInputMaskPlain] = rec.MaskIngressiCopia;
    s[kNetworkHigh] = CalcolaMSB(rec.CodiceRete);
    s[kNetworkLow] = CalcolaLSB(rec.CodiceRete);

    if (rec.Protocollo == kProtocolSicep) {
        const QString digits =
            (QStringLiteral("0000") + QString::number(rec.CodicePeriferica)).right(4);
        s[kCodeHigh] = hexByte(digits.mid(0, 2));
        s[kCodeLow] = hexByte(digits.mid(2, 2));
    } else {
        s[kCodeHigh] = CalcolaMSB(rec.CodicePeriferica);
        s[kCodeLow] = CalcolaLSB(rec.CodicePeriferica);
    }

    s[kInputs] = rec.NumIngressi;
    s[kConstFF29] = 0xFF;
    s[kConst00At30] = 0x00;

    s[kTone] =
        static_cast<std::uint8_t>(rec.TonoSubAudio | (rec.NoRisincronizza ? kToneNoResync : 0));
    s[kToneCopy] = s[kTone] & 0x3F;

    if (rec.InvioSopravvivenza) {
        s[kSurvivalHigh] = CalcolaMSB(rec.CadenzaSopravvivenza * 60);
        s[kSurvivalLow] = CalcolaLSB(rec.CadenzaSopravvivenza * 60);
    } else {
        s[kSurvivalHigh] = 0xFF;
        s[kSurvivalLow] = 0xFF;
    }

    s[kIntegratedPanel] = rec.CentralinaIntegrata ? 1 : 0;
    const std::uint8_t mainsInput = rec.SpontaneaACOff ? rec.SpontaneaIngresso : 0;
    s[kMainsFailureInput] = mainsInput;
    if (rec.SpontaneaACOff) {
        s[kSamplingHigh] = CalcolaMSB(rec.TempoCampionamentoMancanzaAC * 60);
        s[kSamplingLow] = CalcolaLSB(rec.TempoCampionamentoMancanzaAC * 60);
    }
    s[kDoubleMessage] = rec.DoppioMessaggio ? 1 : 0;

    s[kSirenTime] = rec.TempoSirena;
    s[kExitTime] = rec.TempoUscita;
    s[kEntryTime] = rec.TempoIngresso;
    s[kConst00At48] = 0;
    s[kConst00At49] = 0;
    s[kByte50] = pre[kByte50] & kByte50Keep;
    s[kSicepOffset1] = rec.OffsetSicep1;
    s[kSicepOffset2] = rec.OffsetSicep2;
    s[kByte54] = pre[kByte53];
    s[kByte55] = pre[kByte55] | kByte55Set;
    for (int i = 0; i < 6; ++i)
        s[kPowersFirst + i] = static_cast<std::uint8_t>(1 << i);
    s[kConstFF62] = 0xFF;
    s[kConstFF63] = 0xFF;
    s[kChecksum] = CalcolaCKSSave(s);

    rec.SpontaneaIngresso = mainsInput;
    saveImage = s;
    return std::nullopt;
}

} // namespace selvana
