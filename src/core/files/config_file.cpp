#include "core/files/config_file.h"

#include "core/texts/shared_texts.h"

namespace selvana::conf {

QByteArray fileContent(std::uint8_t firmwareM6, std::uint8_t bandaUHF, const Image& saveImage) {
    QByteArray content;
    content.reserve(kFileSize);
    content.append(firmwareM6 != 0 ? kMarkerM6 : kMarkerBeforeM6);
    content.append(bandaUHF != 0 ? kMarkerUHF : kMarkerVHF);
    for (int k = kFirstImageByte; k < kFirstImageByte + kBodySize; ++k)
        content.append(static_cast<char>(saveImage[k]));
    return content;
}

std::optional<ConfigFile> parse(QByteArrayView bytes) {
    if (bytes.size() < kFileSize)
        return std::nullopt;
    ConfigFile file;
    file.firmwareM6 = bytes[0] == kMarkerBeforeM6 ? 0 : 1;
    file.bandaUHF = bytes[1] == kMarkerUHF ? 1 : 0;
    for (int i = 0; i < kBodySize; ++i)
        file.body[i] = static_cast<std::uint8_t>(bytes[2 + i]);
    return file;
}

std::optional<QString> mismatchMessage(const ConfigFile& file, std::uint8_t firmwareM6,
                                       std::uint8_t bandaUHF) {
    if (file.firmwareM6 != (firmwareM6 != 0 ? 1 : 0))
        return QStringLiteral("Attenzione: file di configurazione adatto per versioni firmware ") +
               texts::firmwareName(file.firmwareM6) +
               (file.firmwareM6 != 0 ? QStringLiteral("!") : QStringLiteral(" !"));
    // The suffix names the radio in the editor, the opposite of the file's band.
    if (file.bandaUHF != (bandaUHF != 0 ? 1 : 0))
        return QStringLiteral("Attenzione: file di configurazione non adatto per Radio ") +
               texts::bandName(file.bandaUHF != 0 ? 0 : 1) + QStringLiteral(" !");
    return std::nullopt;
}

void storeInto(const ConfigFile& file, Image& image) {
    for (int i = 0; i < kBodySize; ++i)
        image[kFirstImageByte + i] = file.body[i];
}

} // namespace selvana::conf
