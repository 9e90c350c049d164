#include "write_image.h"

#include "core/fields/peripheral_code.h"
#include "core/image/config_assembler.h"
#include "core/image/config_decoder.h"
#include "core/image/memory_map.h"
#include "core/link/frame_codec.h"
#include "core/options/mains_input.h"

namespace selvana::cli {

namespace {

// The peripheral code as bytes 26-27 hold it. The decoder reads a code it cannot take (a
// negative number, BCD digits above 9) as 0; a message names what the file really holds.
QString storedCodeText(const Image& image, int protocol) {
    const std::uint8_t high = image[map::kCodeHigh];
    const std::uint8_t low = image[map::kCodeLow];
    const auto hex = [](std::uint8_t b) {
        return QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    };
    QString value = QString::number(high * 256 + low);
    if (protocol == map::kProtocolSicep) { // packed BCD: its digits, as stored when not valid
        const int code = decodePeripheralCode(high, low, protocol);
        value = code != 0 || (high == 0 && low == 0) ? QString::number(code) : hex(high) + hex(low);
    }
    return QStringLiteral("%1, byte 26-27 = 0x%2 0x%3").arg(value, hex(high), hex(low));
}

} // namespace

std::optional<QString> buildWriteImage(const Image& read, const conf::ConfigFile& file,
                                       Image& saveImage) {
    Image configImage = read;
    conf::storeInto(file, configImage);
    ConfigRecord record;
    Analyze2(configImage, QString(), record);
    record.SerialNumber = serialNumberOf(read);

    const int maximum = maximumPeripheralCodeOf(record.Protocollo);
    if (record.CodicePeriferica < 1 || record.CodicePeriferica > maximum) {
        return maximum == 0
                   ? QStringLiteral("Il protocollo del file (codice %1) non è tra quelli "
                                    "dell'editor: la configurazione non può essere scritta.")
                         .arg(record.Protocollo)
                   : QStringLiteral("Il valore del campo \"Codice Periferica\" (%1) non è valido: "
                                    "per questo protocollo va da 1 a %2. Correggerlo nella "
                                    "finestra, esportare di nuovo il file e ripetere.")
                         .arg(storedCodeText(configImage, record.Protocollo))
                         .arg(maximum);
    }
    // As the window's collection: a mains-failure report that no input can carry is refused.
    MainsInputRule mains;
    mains.firmwareM6 = file.firmwareM6 != 0;
    mains.integratedPanel = record.CentralinaIntegrata;
    mains.conditioned = static_cast<std::uint8_t>(~record.MaskIngressi); // stored inverted
    mains.inputs = record.NumIngressi;
    if (const auto error = checkMainsInput(mains, record.SpontaneaACOff))
        return error->message;
    Image assembled{};
    if (const auto error = assembleSaveImage(record, configImage, assembled))
        return error->message;
    saveImage = assembled;
    return std::nullopt;
}

} // namespace selvana::cli
