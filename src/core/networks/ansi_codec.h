#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringView>

#include <optional>

namespace selvana {

// The networks file is text in the Windows "ANSI" code page, one byte per character. This is
// Windows-1252 made lossless: the five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) stand for the control characters of the same number, as Windows itself maps
// them, so every byte value has exactly one character and comes back as the same byte.
namespace ansi {

QChar toUnicode(char byte);
QString toUnicode(QByteArrayView bytes);

// The byte of a character, or nothing when the code page cannot hold it.
std::optional<char> fromUnicode(QChar c);
// The bytes of a text, or nothing when any of its characters has no byte.
std::optional<QByteArray> fromUnicode(QStringView text);

} // namespace ansi
} // namespace selvana
