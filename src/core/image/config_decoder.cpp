#include "core/image/config_decoder.h"

#include "core/fields/number_text.h"
#include "core/image/frequency_codec.h"
#include "core/image/memory_map.h"

namespace selvana {

using namespace map;

namespace {

bool bcdByteValid(std::uint8_t b) {
    return (b >> 4) <= 9 && (b & 0x0F) <= 9;
}

} // namespace

std::int16_t decodePeripheralCode(std::uint8_t high, std::uint8_t low, int protocol) {
    if (protocol == kProtocolSicep) {
        if (!bcdByteValid(high) || !bcdByteValid(low))
            return 0;
        return static_cast<std::int16_t>(((high >> 4) * 10 + (high & 0x0F)) * 100 +
                                         (low >> 4) * 10 + (low & 0x0F));
    }
    if (high >= 0x80)
        return 0;
    return static_cast<std::int16_t>(high * 256 + low);
}

void Analyze2(const Image& b, const QString& bandLetter, ConfigRecord& rec) {
    // The frequency; a band letter given at start replaces it.
    const QString wordText =
        byteHex(b[kFlags] & kFlagsWordBit16) + byteHex(b[kWordHigh]) + byteHex(b[kWordLow]);
    rec.FrequenzaTX = DecodificaFrequenza(wordText);
    if (bandLetter == QLatin1String("U"))
        rec.FrequenzaTX = 445.0;
    if (bandLetter == QLatin1String("V"))
        rec.FrequenzaTX = 156.0;

    rec.PotenzaRF = (b[kFlags] & kFlagsPower10W) ? 10 : 3;
    rec.RimappaturaIngressiSicep = (b[kFlags] & kFlagsSicepRemap) != 0;
    rec.TempoAggancio = b[kLockTime] * 0.1;
    rec.Protocollo = b[kOptions] & kOptionsProtocolMask;
    rec.InviaStati = (b[kOptions] & kOptionsSendStates) ? 1 : 0;
    rec.ViaBidirezionale = (b[kOptions] & kOptionsBidirectional) ? 1 : 0;

    // This first reading of the path only serves to derive DoppioSalto.
    if (rec.ViaBidirezionale == 1) {
        rec.CodiceRep = 0;
        rec.IngressoBidi = b[kPathParameter];
    } else {
        rec.CodiceRep = b[kPathParameter];
        rec.IngressoBidi = 0;
    }
    rec.ToniAlti = (b[kOptions] & kOptionsHighTones) != 0;
    rec.DoppioSalto = (rec.CodiceRep != 0 || rec.ViaBidirezionale == 1) ? rec.ToniAlti : false;

    rec.TrasmissioniMultiple = (b[kOptions] & kOptionsMultipleTx) != 0;
    rec.NumTentativiTX = b[kTxAttempts];

    // The path marker decides which of the two the path parameter is.
    switch (b[kPathMarker]) {
    case kPathRepeater:
        rec.CodiceRep = b[kPathParameter];
        rec.IngressoBidi = 0;
        break;
    case kPathBidirectional:
        rec.CodiceRep = 0;
        rec.IngressoBidi = b[kPathParameter];
        break;
    default:
        rec.CodiceRep = 0;
        rec.IngressoBidi = 0;
        break;
    }

    rec.MaskIngressi = b[kInputMaskInverted];
    rec.MaskIngressiCopia = b[kInputMaskPlain];
    rec.CodiceRete = b[kNetworkHigh] * 256 + b[kNetworkLow];
    rec.CodicePeriferica = decodePeripheralCode(b[kCodeHigh], b[kCodeLow], rec.Protocollo);
    rec.NumIngressi = b[kInputs] & kInputsMask;
    rec.TonoSubAudio = b[kTone] & kToneMask;
    rec.NoRisincronizza = (b[kTone] & kToneNoResync) != 0;

    // The survival cadence is stored in minutes and shown in hours.
    const int survival = b[kSurvivalHigh] * 256 + b[kSurvivalLow];
    rec.InvioSopravvivenza = survival != kSurvivalOff;
    rec.CadenzaSopravvivenza = rec.InvioSopravvivenza ? survival / 60 : 0;

    // The highest set bit of the mains-failure byte is the input that reports it.
    rec.CentralinaIntegrata = b[kIntegratedPanel] != 0;
    rec.SpontaneaACOff = b[kMainsFailureInput] != 0;
    for (int i = 0; i < 8; ++i) {
        if ((b[kMainsFailureInput] >> i) == 1) {
            rec.SpontaneaIngresso = static_cast<std::uint8_t>(1 << i);
            break;
        }
    }

    rec.TempoCampionamentoMancanzaAC = (b[kSamplingHigh] * 256 + b[kSamplingLow]) / 60;
    rec.DoppioMessaggio = b[kDoubleMessage] != 0;
    rec.TempoSirena = b[kSirenTime];
    rec.TempoUscita = b[kExitTime];
    rec.TempoIngresso = b[kEntryTime];
    rec.BandaUHF = rec.FrequenzaTX > 399.0 ? 1 : 0;
    rec.OffsetSicep1 = b[kSicepOffset1];
    rec.OffsetSicep2 = b[kSicepOffset2];
}

} // namespace selvana
