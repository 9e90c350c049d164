#include "core/image/frequency_codec.h"

#include "core/image/rounding.h"

#include <cmath>

namespace selvana {

namespace {

constexpr int kVhfBaseWord = 0x5B20;
constexpr int kVhfTopWord = 0x6CA0;
constexpr int kUhfBaseWord = 0xFA00;
constexpr double kStepMHz = 0.0125;
constexpr double kLargestEncodable = 1e9;

QString fourHexDigits(int value) {
    return QString::number(static_cast<quint16>(value & 0xFFFF), 16)
        .toUpper()
        .rightJustified(4, '0');
}

} // namespace

double DecodificaFrequenza(const QString& hexText) {
    bool ok = false;
    const int w = (QStringLiteral("0000") + hexText).right(4).toInt(&ok, 16);
    if (!ok)
        return kUhfBaseMHz; // not hex: treated as word 0xFA00
    double base;
    int d;
    if (w >= kVhfBaseWord && w <= kVhfTopWord) {
        base = kVhfBaseMHz;
        d = w - kVhfBaseWord;
    } else {
        base = kUhfBaseMHz;
        d = (w - kUhfBaseWord) & 0xFFFF; // words past 0xFFFF wrapped on encoding
    }
    const int n = 64 * (d >> 7) + (d & 63);
    return n * kStepMHz + base;
}

QString CodificaFrequenza(double frequencyMHz) {
    if (!(std::fabs(frequencyMHz) < kLargestEncodable))
        frequencyMHz = 0.0; // keeps the arithmetic defined; callers reject such values first
    int base;
    double x;
    const double scaled = roundHalfEven(frequencyMHz * 10000.0);
    if (frequencyMHz >= 200.0) {
        base = kUhfBaseWord - 0x10000; // -1536
        x = scaled - 4000000.0;
    } else {
        base = kVhfBaseWord;
        x = scaled - 1460000.0;
    }
    const long long h = static_cast<long long>(roundHalfEven(x / 125.0));
    const long long q = h / 64; // truncates toward zero
    long long u = base + h + 64 * q;
    if (u & 0x40)
        u += 64;
    const QString word = fourHexDigits(static_cast<int>(u));
    const QString baseText = fourHexDigits(base);
    const QString flag = word < baseText ? QStringLiteral("01") : QStringLiteral("00");
    return flag + word;
}

} // namespace selvana
