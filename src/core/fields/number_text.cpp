#include "core/fields/number_text.h"

#include "core/image/rounding.h"

#include <QLocale>

namespace selvana {

namespace {
QLocale plainLocale() {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}
} // namespace

std::optional<double> textToDouble(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = QLocale().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> textToInteger(const QString& text, long long lo, long long hi) {
    const auto value = textToDouble(text);
    if (!value)
        return std::nullopt;
    return toIntegerInRange(*value, lo, hi);
}

QString integerText(long long value) {
    return QString::number(value);
}

QString fixedText(double value, int decimals) {
    return plainLocale().toString(value, 'f', decimals);
}

QString shortestText(double value) {
    return plainLocale().toString(value, 'g', 15);
}

QString byteHex(std::uint8_t byte) {
    return QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

QString offsetHexText(const QString& offsetText) {
    const auto value = textToInt16(QStringLiteral("00") + offsetText.trimmed());
    const int v = value ? static_cast<int>(*value) : 0;
    const QString hex = QString::number(static_cast<quint16>(v), 16).toUpper();
    return (QStringLiteral("00") + hex).right(2);
}

} // namespace selvana
