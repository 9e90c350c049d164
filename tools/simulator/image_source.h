#pragma once

#include "core/image/config_record.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace selvana::sim {

// A VHF Proteus-X peripheral at 156.0 MHz, serial number 1234ABCD, valid checksum.
Image builtInImage();

// Sets byte 64 to the 8-bit sum of bytes 1..63; true when it was wrong before.
bool fixChecksum(Image& image);

// Bytes 1..4, byte 1 taking the highest digits ("1234ABCD" gives 12 34 AB CD).
void setSerialNumber(Image& image, quint32 serial);
quint32 serialNumber(const Image& image);

// 64 bytes written as 128 hex digits; blanks are allowed between them.
std::optional<Image> imageFromHex(const QString& hex, QString* error);

struct LoadedImage {
    Image image{};
    char firmware = 0;           // 'W' or 'K' from a configuration file, 0 from a raw image
    bool hasSerialNumber = true; // false: bytes 1..4 were not in the file (built-in ones used)
};

// A raw image (exactly 64 bytes) or a configuration file (exactly 62 bytes: firmware marker,
// band marker, image bytes 5..64).
std::optional<LoadedImage> imageFromBytes(const QByteArray& bytes, QString* error);
std::optional<LoadedImage> imageFromFile(const QString& path, QString* error);

// "1234ABCD" or "1234ABCD,00000002,...": eight hex digits each.
std::optional<QList<quint32>> parseSerialNumbers(const QString& text, QString* error);

} // namespace selvana::sim
