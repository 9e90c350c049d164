#pragma once

#include <QString>

#include <cstdint>

#include <optional>

namespace selvana {

// Text to number in the user's locale, as the editor's conversions need them. An empty text does
// not convert; integer conversions round half to even and fail outside their range.
std::optional<double> textToDouble(const QString& text);
std::optional<long long> textToInteger(const QString& text, long long lo, long long hi);

inline std::optional<long long> textToInt16(const QString& text) {
    return textToInteger(text, -32768, 32767);
}
inline std::optional<long long> textToInt32(const QString& text) {
    return textToInteger(text, -2147483648LL, 2147483647LL);
}
inline std::optional<long long> textToByte(const QString& text) {
    return textToInteger(text, 0, 255);
}

// Numbers written for the editor: plain integers, and decimals with the locale's separator but
// never a group separator.
QString integerText(long long value);
QString fixedText(double value, int decimals);
QString shortestText(double value); // at most 15 significant digits: 7 x 0.1 shows 0.7

// A byte as two upper-case hex digits: 0x0A gives "0A".
QString byteHex(std::uint8_t byte);

// Two upper-case hex digits of an offset box's text: trimmed, "00" in front, as a 16-bit number,
// last two digits. An empty box gives "00", 999 gives "E7"; a text that is not a number, "00".
QString offsetHexText(const QString& offsetText);

} // namespace selvana
