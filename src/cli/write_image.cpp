#include "write_image.h"

#include "core/fields/peripheral_code.h"
#include "core/image/config_assembler.h"
#include "core/image/config_decoder.h"
#include "core/link/frame_codec.h"

namespace selvana::cli {

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
                         .arg(record.CodicePeriferica)
                         .arg(maximum);
    }
    Image assembled{};
    if (const auto error = assembleSaveImage(record, configImage, assembled))
        return error->message;
    saveImage = assembled;
    return std::nullopt;
}

} // namespace selvana::cli
