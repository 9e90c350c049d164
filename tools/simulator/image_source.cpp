#include "image_source.h"

#include "core/image/checksum.h"
#include "core/image/memory_map.h"

#include <QFile>
#include <QRegularExpression>

namespace selvana::sim {

namespace {

constexpr int kRawImageSize = map::kImageSize;
constexpr int kConfigFileSize = 62;
constexpr int kConfigFileImageStart = 5; // first image byte stored in a configuration file

void setError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

Image imageFrom64(const QByteArray& raw) {
    Image image{};
    for (int k = 1; k <= map::kImageSize; ++k)
        image[k] = static_cast<std::uint8_t>(raw[k - 1]);
    return image;
}

} // namespace

Image builtInImage() {
    Image image = imageFrom64(QByteArray::fromHex("1234ABCD 88618008 61801919 5AA56107 FF112203 "
                                                  "03FE0100 0C012C04 FF003344 050505A0 0110012C "
                                                  "01556677 1E140A00 00FFC805 99000001 02040810 "
                                                  "20FFFF00"));
    fixChecksum(image);
    return image;
}

bool fixChecksum(Image& image) {
    const std::uint8_t sum = CalcolaCKSSave(image);
    const bool wrong = image[map::kImageSize] != sum;
    image[map::kImageSize] = sum;
    return wrong;
}

void setSerialNumber(Image& image, quint32 serial) {
    for (int k = map::kSerialFirst; k <= map::kSerialLast; ++k)
        image[k] = static_cast<std::uint8_t>(serial >> (8 * (map::kSerialLast - k)));
}

quint32 serialNumber(const Image& image) {
    quint32 serial = 0;
    for (int k = map::kSerialFirst; k <= map::kSerialLast; ++k)
        serial = (serial << 8) | image[k];
    return serial;
}

std::optional<Image> imageFromHex(const QString& hex, QString* error) {
    QString digits = hex;
    digits.remove(QRegularExpression(QStringLiteral("\\s")));
    static const QRegularExpression hexOnly(QStringLiteral("^[0-9A-Fa-f]*$"));
    if (!hexOnly.match(digits).hasMatch()) {
        setError(error, QStringLiteral("the image holds characters that are not hex digits"));
        return std::nullopt;
    }
    if (digits.size() != 2 * kRawImageSize) {
        setError(
            error,
            QStringLiteral("the image needs 128 hex digits (64 bytes), not %1").arg(digits.size()));
        return std::nullopt;
    }
    return imageFrom64(QByteArray::fromHex(digits.toLatin1()));
}

std::optional<LoadedImage> imageFromBytes(const QByteArray& bytes, QString* error) {
    LoadedImage loaded;
    if (bytes.size() == kRawImageSize) {
        loaded.image = imageFrom64(bytes);
        return loaded;
    }
    if (bytes.size() != kConfigFileSize) {
        setError(error,
                 QStringLiteral("%1 bytes: expected 64 (raw image) or 62 (configuration file)")
                     .arg(bytes.size()));
        return std::nullopt;
    }
    // Any first byte other than "W" marks M6 firmware, as when the programmer imports it.
    loaded.firmware = bytes[0] == 'W' ? 'W' : 'K';
    loaded.hasSerialNumber = false;
    loaded.image = builtInImage();
    for (int k = kConfigFileImageStart; k <= map::kImageSize; ++k)
        loaded.image[k] = static_cast<std::uint8_t>(bytes[2 + k - kConfigFileImageStart]);
    return loaded;
}

std::optional<LoadedImage> imageFromFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    // Read one byte more than the largest accepted size, so a longer file is refused.
    const QByteArray bytes = file.read(kRawImageSize + 1);
    QString why;
    auto loaded = imageFromBytes(bytes, &why);
    if (!loaded)
        setError(error, QStringLiteral("%1: %2").arg(path, why));
    return loaded;
}

std::optional<QList<quint32>> parseSerialNumbers(const QString& text, QString* error) {
    static const QRegularExpression eightHex(QStringLiteral("^[0-9A-Fa-f]{8}$"));
    QList<quint32> serials;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QString item = part.trimmed();
        if (!eightHex.match(item).hasMatch()) {
            setError(error,
                     QStringLiteral("serial number \"%1\" is not eight hex digits").arg(item));
            return std::nullopt;
        }
        serials.append(item.toUInt(nullptr, 16));
    }
    return serials;
}

} // namespace selvana::sim
