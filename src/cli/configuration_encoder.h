#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace selvana::cli {

// The configuration file (62 bytes) of a JSON as `decode --json` prints it: the markers and
// image bytes 5..64 ("byte5a64") as they are, then each field whose "valore" differs from what
// those bytes decode to, written by the image's rules into the bytes and bits that field owns.
// Every other byte keeps its value; byte 64 moves by as much as the others changed, so it stays
// right for the same serial numbers. A value that cannot be stored is refused: the Italian
// reason names the field, and `content` is left untouched.
std::optional<QString> encodeConfiguration(const QJsonObject& json, QByteArray& content);

} // namespace selvana::cli
