#pragma once

#include "core/image/config_record.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// A configuration file (*.con): firmware marker, band marker, then image bytes 5..64 unchanged
// (the serial number is left out, so one file serves any peripheral of its kind).
namespace selvana::conf {

inline constexpr int kFileSize = 62;
inline constexpr int kFirstImageByte = 5; // file offset 2 holds this image byte
inline constexpr int kBodySize = kFileSize - 2;
inline constexpr char kMarkerM6 = 'K';
inline constexpr char kMarkerBeforeM6 = 'W';
inline constexpr char kMarkerUHF = 'U';
inline constexpr char kMarkerVHF = 'V';

inline constexpr char kFileFilter[] = "File di configurazione (*.con)";

struct ConfigFile {
    std::uint8_t firmwareM6 = 0;                // 1 unless the first byte is "W"
    std::uint8_t bandaUHF = 0;                  // 1 only when the second byte is "U"
    std::array<std::uint8_t, kBodySize> body{}; // image bytes 5..64

    bool operator==(const ConfigFile&) const = default;
};

// The 62 bytes of a file made from an assembled image.
QByteArray fileContent(std::uint8_t firmwareM6, std::uint8_t bandaUHF, const Image& saveImage);

// Bytes 0..61 of any byte sequence; nothing for a shorter one. Bytes after 61 are ignored.
std::optional<ConfigFile> parse(QByteArrayView bytes);

// The warning when the file was made for another firmware generation (checked first) or another
// band than the program's, or nothing when it fits.
std::optional<QString> mismatchMessage(const ConfigFile& file, std::uint8_t firmwareM6,
                                       std::uint8_t bandaUHF);

// Image bytes 5..64 from the file; bytes 0..4 (the serial number read last) are kept.
void storeInto(const ConfigFile& file, Image& image);

} // namespace selvana::conf
