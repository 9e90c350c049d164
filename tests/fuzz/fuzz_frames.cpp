// Analyze on arbitrary received text and Analyze2 on arbitrary images, then the assembly of the
// image to write, from the decoded record or from one with arbitrary field values (what a
// faulty editor could hand over). Input: a mode byte, the record's previous SpontaneaIngresso,
// a length byte and that many frame bytes, then image bytes or record values.

#include "core/image/config_assembler.h"
#include "core/image/config_decoder.h"
#include "fuzz_checks.h"

#include <bit>
#include <cmath>
#include <cstring>

using namespace selvana;
using namespace selvana::fuzz;

namespace {

const QString kBands[] = {QString(), QStringLiteral("U"), QStringLiteral("V")};

double anyDouble(Script& in) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits = bits << 8 | in.byte();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::int16_t anyInt16(Script& in) {
    return static_cast<std::int16_t>(in.byte() << 8 | in.byte());
}

std::int32_t anyInt32(Script& in) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(anyInt16(in)) << 16 |
                                     static_cast<std::uint16_t>(anyInt16(in)));
}

// Values the editor should never produce, and some it does.
void mutate(ConfigRecord& rec, Script& in) {
    const std::uint8_t which = in.byte();
    if (which & 0x01)
        rec.FrequenzaTX = anyDouble(in);
    if (which & 0x02)
        rec.TempoAggancio = anyDouble(in);
    if (which & 0x04)
        rec.Protocollo = anyInt16(in);
    if (which & 0x08)
        rec.NumTentativiTX = anyInt16(in);
    if (which & 0x10)
        rec.CodiceRete = anyInt32(in);
    if (which & 0x20)
        rec.CodicePeriferica = anyInt16(in);
    if (which & 0x40) {
        rec.TonoSubAudio = anyInt16(in);
        rec.InvioSopravvivenza = in.byte() & 1;
        rec.CadenzaSopravvivenza = anyInt32(in);
    }
    if (which & 0x80) {
        rec.SpontaneaACOff = in.byte() & 1;
        rec.SpontaneaIngresso = in.byte();
        rec.TempoCampionamentoMancanzaAC = anyInt32(in);
        rec.PotenzaRF = anyInt16(in);
        rec.InviaStati = in.byte();
        rec.ViaBidirezionale = in.byte();
        rec.CodiceRep = in.byte();
        rec.IngressoBidi = in.byte();
        rec.NumIngressi = in.byte();
    }
}

// Equal field by field, a NaN equal to the same NaN.
bool same(ConfigRecord a, ConfigRecord b) {
    for (auto field : {&ConfigRecord::FrequenzaTX, &ConfigRecord::TempoAggancio}) {
        if (std::bit_cast<std::uint64_t>(a.*field) != std::bit_cast<std::uint64_t>(b.*field))
            return false;
        a.*field = b.*field = 0.0;
    }
    return a == b;
}

void checkDecoded(const ConfigRecord& rec, const Image& image) {
    FUZZ_CHECK(std::isfinite(rec.FrequenzaTX), "decoded frequency not finite");
    FUZZ_CHECK(rec.BandaUHF == (rec.FrequenzaTX > 399.0 ? 1 : 0), "BandaUHF disagrees");
    FUZZ_CHECK(rec.Protocollo >= 0 && rec.Protocollo <= 7, "protocol %d", rec.Protocollo);
    FUZZ_CHECK(rec.NumIngressi <= 31, "inputs %d", rec.NumIngressi);
    FUZZ_CHECK(rec.TonoSubAudio >= 0 && rec.TonoSubAudio <= 63, "tone %d", rec.TonoSubAudio);
    FUZZ_CHECK(rec.CodiceRete >= 0 && rec.CodiceRete <= 0xFFFF, "network %d", rec.CodiceRete);
    const int codeMax = rec.Protocollo == map::kProtocolSicep ? 9999 : 32767;
    FUZZ_CHECK(rec.CodicePeriferica >= 0 && rec.CodicePeriferica <= codeMax, "code %d",
               rec.CodicePeriferica);
    FUZZ_CHECK(rec.CadenzaSopravvivenza >= 0 && rec.CadenzaSopravvivenza <= 0xFFFF / 60,
               "cadence %d", rec.CadenzaSopravvivenza);
    FUZZ_CHECK(rec.SerialNumber.isEmpty() || rec.SerialNumber == serialNumberOf(image),
               "serial number %s", qPrintable(rec.SerialNumber));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script in(data, size);
    const std::uint8_t mode = in.byte();
    const QString& band = kBands[mode % 3];
    ConfigRecord rec;
    rec.SpontaneaIngresso = in.byte(); // kept when the image names no mains-failure input
    const QByteArray received = in.take(in.byte());

    Image config{};
    config[0] = 0x5A;
    const bool analysed = Analyze(received, band, config, rec);
    FUZZ_CHECK(analysed == isReadFrame(received), "Analyze disagrees with isReadFrame");
    if (analysed) {
        for (int k = 1; k <= map::kImageSize; ++k)
            FUZZ_CHECK(config[k] == static_cast<std::uint8_t>(received[1 + k]), "byte %d", k);
        FUZZ_CHECK(rec.SerialNumber.size() == 8, "serial number length");
    } else {
        FUZZ_CHECK(rec.SerialNumber.isEmpty(), "a text that is no frame changed the record");
        config = in.image();
        config[0] = 0x5A;
        Analyze2(config, band, rec);
    }
    FUZZ_CHECK(config[0] == 0x5A, "byte 0 touched");
    checkDecoded(rec, config);

    const bool mutated = mode & 0x10;
    if (mutated)
        mutate(rec, in);

    const ConfigRecord before = rec;
    Image save{};
    if (const auto error = assembleSaveImage(rec, config, save)) {
        FUZZ_CHECK(same(rec, before), "a refused record was changed");
        FUZZ_CHECK(save == Image{}, "a refused assembly wrote bytes");
        FUZZ_CHECK(!error->control.isEmpty() && !error->message.isEmpty(), "empty error");
        return 0;
    }
    checkAssembled(save, config);
    checkWriteFrame(buildWriteFrame(save), config);

    // Reading back what was written and writing it again changes nothing. Frequencies outside
    // 146-174 and 400-470 MHz do not come back (their words decode in the other band), so for
    // those the second write is made from the same frequency.
    if (!mutated) {
        ConfigRecord again = rec;
        Analyze2(save, band, again);
        const double f = rec.FrequenzaTX;
        if ((f >= 146.0 && f <= 174.0) || (f >= 400.0 && f <= 470.0))
            FUZZ_CHECK(again.FrequenzaTX == f, "%.4f MHz read back as %.4f", f, again.FrequenzaTX);
        again.FrequenzaTX = f;
        again.BandaUHF = rec.BandaUHF;
        Image save2{};
        const auto error = assembleSaveImage(again, save, save2);
        FUZZ_CHECK(!error, "the written image cannot be written again: %s",
                   qPrintable(error ? error->message : QString()));
        for (int k = 1; k <= map::kImageSize; ++k)
            FUZZ_CHECK(save2[k] == save[k], "byte %d: %02X written, then %02X", k, save[k],
                       save2[k]);
    }
    return 0;
}
