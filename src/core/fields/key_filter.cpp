#include "core/fields/key_filter.h"

#include <QLocale>

namespace selvana {

namespace {
constexpr int kComma = 44;
constexpr int kPoint = 46;
bool isDigit(int key) {
    return key >= '0' && key <= '9';
}
} // namespace

int CheckKeyAscii(const QString& tag, const QString& text, int keyCode) {
    int result = -1;
    if (tag.isEmpty())
        return result;
    const QChar kind = tag.at(0);
    if (kind == QLatin1Char('I') || kind == QLatin1Char('L'))
        return isDigit(keyCode) ? -1 : 0;
    if (kind != QLatin1Char('D'))
        return result;
    if (isDigit(keyCode))
        return -1;
    if (keyCode != kComma && keyCode != kPoint)
        return 0;
    // The user's separator shows in how the locale writes 1.2.
    const QString sample = QLocale().toString(1.2);
    if (keyCode == kComma && !sample.contains(QLatin1Char(',')))
        result = kPoint;
    else if (keyCode == kPoint && !sample.contains(QLatin1Char('.')))
        result = kComma;
    const int separator = (result == kComma || result == kPoint) ? result : keyCode;
    if (text.contains(QChar(separator)))
        return 0;
    return result;
}

bool keyFitsTypingLimit(qsizetype textLength, qsizetype selectedLength, int limit) {
    return limit <= 0 || textLength - selectedLength + 1 <= limit;
}

} // namespace selvana
