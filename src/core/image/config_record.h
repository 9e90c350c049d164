#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace selvana {

// Bytes 1..64 of a peripheral's configuration memory; index 0 is unused.
using Image = std::array<std::uint8_t, 65>;

// The decoded configuration, always in the units the editor shows (seconds, hours, minutes);
// the image's own units exist only while decoding and assembling.
struct ConfigRecord {
    QString SerialNumber;       // 8 upper-case hex digits, bytes 1-4
    double FrequenzaTX = 0.0;   // MHz
    std::uint8_t BandaUHF = 0;  // 1 = UHF
    std::int16_t PotenzaRF = 0; // 3 or 10 W
    bool RimappaturaIngressiSicep = false;
    double TempoAggancio = 0.0;        // seconds (tenths in the image)
    std::int16_t Protocollo = 0;       // 0 Proteus, 1 Proteus-X, 2 Sicep, 3 UPR, 5 UPR-52
    std::uint8_t InviaStati = 0;       // 1 = send states, 0 = send alarms
    std::uint8_t ViaBidirezionale = 0; // 1 = path via bidirectional device
    bool TrasmissioniMultiple = false;
    bool ToniAlti = false;
    bool DoppioSalto = false;
    std::uint8_t CodiceRep = 0;
    std::uint8_t IngressoBidi = 0;
    std::int16_t NumTentativiTX = 0;
    std::uint8_t MaskIngressi = 0;      // inverted: bit clear = input conditioned
    std::uint8_t MaskIngressiCopia = 0; // plain: bit set = input conditioned
    std::int32_t CodiceRete = 0;        // 0..65535
    std::int16_t CodicePeriferica = 0;  // Sicep 0..9999, others 0..32767
    std::uint8_t NumIngressi = 0;       // 0..31; the editor offers 1, 2, 4, 6, 8
    std::int16_t TonoSubAudio = 0;      // index into the tone list, 0 = none
    bool NoRisincronizza = false;
    bool InvioSopravvivenza = false;
    std::int32_t CadenzaSopravvivenza = 0; // hours (minutes in the image)
    bool CentralinaIntegrata = false;
    bool SpontaneaACOff = false;
    std::uint8_t SpontaneaIngresso = 0;            // bit of the input used: 1, 2, 4 ... 128
    std::int32_t TempoCampionamentoMancanzaAC = 0; // minutes (seconds in the image)
    bool DoppioMessaggio = false;
    std::uint8_t TempoSirena = 0; // seconds
    std::uint8_t TempoUscita = 0;
    std::uint8_t TempoIngresso = 0;
    std::uint8_t OffsetSicep1 = 0;
    std::uint8_t OffsetSicep2 = 0;

    bool operator==(const ConfigRecord&) const = default;
};

} // namespace selvana
