#include "core/image/config_assembler.h"

#include "core/image/frequency_codec.h"
#include "core/image/memory_map.h"
#include "core/image/rounding.h"
#include "core/link/frame_codec.h"

#include <cmath>

namespace selvana {

using namespace map;

namespace {

constexpr double kHighestFrequencyMHz = 1e6;
constexpr double kHalfStepMHz = 0.0125 / 2;

std::uint8_t hexByte(const QString& digits) {
    return static_cast<std::uint8_t>(digits.toUInt(nullptr, 16));
}

bool fits(long long v, long long lo, long long hi) {
    return v >= lo && v <= hi;
}

// Validates everything that could overflow a byte or a 16-bit product before a byte is written.
std::optional<FieldError> check(const ConfigRecord& rec) {
    if (!std::isfinite(rec.FrequenzaTX) || rec.FrequenzaTX < 0.0 ||
        rec.FrequenzaTX >= kHighestFrequencyMHz)
        return FieldError::outOfRange(QStringLiteral("txtFrequenzaTX"),
                                      QStringLiteral("Frequenza TX (Mhz)"));
    // A frequency outside the bands the synthesizer word counts from (VHF below 146 or above
    // 174 MHz, say) would be written as a word that reads back as another frequency, in the
    // other band: it is refused rather than written wrong.
    if (std::fabs(DecodificaFrequenza(CodificaFrequenza(rec.FrequenzaTX)) - rec.FrequenzaTX) >=
        kHalfStepMHz)
        return FieldError{QStringLiteral("txtFrequenzaTX"), QStringLiteral("Frequenza TX (Mhz)"),
                          QStringLiteral("La frequenza del campo \"Frequenza TX (Mhz)\" non può "
                                         "essere memorizzata dalla periferica: usare una "
                                         "frequenza da 146 a 174 MHz (VHF) o da 400 a 470 MHz "
                                         "(UHF) e ripetere l'operazione.")};
    if (!toIntegerInRange(rec.TempoAggancio * 10.0, 0, 255))
        return FieldError::outOfRange(QStringLiteral("txtTempoAggancio"),
                                      QStringLiteral("T agg. ponte (s)"));
    if (!fits(rec.Protocollo, 0, 7))
        return FieldError::noSelection(QStringLiteral("cmbProtocollo"),
                                       QStringLiteral("Protocollo"));
    if (!fits(rec.NumTentativiTX, 0, 255))
        return FieldError::outOfRange(QStringLiteral("cmbNumTentativiTX"),
                                      QStringLiteral("Num. Tentativi"));
    if (!fits(rec.CodiceRete, 0, 0xFFFF))
        return FieldError::outOfRange(QStringLiteral("cmbCodiceRete"),
                                      QStringLiteral("Codice Rete"));
    const int codeMax = rec.Protocollo == kProtocolSicep ? 9999 : 32767;
    if (!fits(rec.CodicePeriferica, 0, codeMax))
        return FieldError::outOfRange(QStringLiteral("txtCodicePeriferica"),
                                      QStringLiteral("Codice Periferica"));
    if (!fits(rec.TonoSubAudio, 0, kToneMask))
        return FieldError::noSelection(QStringLiteral("cmbTonoSubAudio"),
                                       QStringLiteral("Tono Subaudio"));
    if (rec.InvioSopravvivenza && !fits(rec.CadenzaSopravvivenza * 60LL, 0, 32767))
        return FieldError::outOfRange(QStringLiteral("txtCadenzaSopravvivenza"),
                                      QStringLiteral("Cadenza (ore)"));
    if (rec.SpontaneaACOff && !fits(rec.TempoCampionamentoMancanzaAC * 60LL, 0, 32767))
        return FieldError::outOfRange(QStringLiteral("txtTempoCampionamentoMancanzaAC"),
                                      QStringLiteral("Tempo Campionamento (min)"));
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
