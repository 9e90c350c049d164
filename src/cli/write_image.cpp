#include "write_image.h"

#include "image/config_assembler.h"
#include "image/config_decoder.h"
#include "link/frame_codec.h"
#include "rules/option_lists.h"

namespace selvana::cli {

namespace {

// The editor enables "SAVE" only for a code from 1 to its protocol's maximum; a protocol the
// list does not have allows none. Same table as the editor's identity fields (which live in
// the window's library).
int maximumCode(int protocol) {
    const QStringList names = cmbProtocolloItems();
    const int at = LookupProtocol(protocol);
    if (at < 0 || at >= names.size())
        return 0;
    return names[at] == QLatin1String("Proteus") ? 1023 : 9999;
}

} // namespace

std::optional<QString> buildWriteImage(const Image& read, const conf::ConfigFile& file,
                                       Image& saveImage) {
    Image configImage = read;
    conf::storeInto(file, configImage);
    ConfigRecord record;
    Analyze2(configImage, QString(), record);
    record.SerialNumber = serialNumberOf(read);

    const int maximum = maximumCode(record.Protocollo);
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
