#include "core/networks/cell_edit.h"

#include "core/networks/ansi_codec.h"

#include <algorithm>

namespace selvana {

namespace {

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Value test without overflow: leading zeros do not count.
bool fitsNetworkId(const QString& digits) {
    qsizetype first = 0;
    while (first < digits.size() && digits[first] == u'0')
        ++first;
    const QStringView significant = QStringView(digits).sliced(first);
    return significant.isEmpty() ||
           (significant.size() <= 5 && significant.toInt() <= kMaxNetworkId);
}

} // namespace

bool isStorableDescriptionChar(QChar key) {
    const char16_t u = key.unicode();
    if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
        return false;
    return ansi::fromUnicode(key).has_value();
}

QString EditCellText(const QString& text, QChar key, CellMode mode) {
    if (key.unicode() == kBackspace)
        return text.isEmpty() ? text : text.chopped(1);

    if (mode == CellMode::Text) {
        if (!isStorableDescriptionChar(key) || text.size() >= kMaxDescriptionLength)
            return text;
        return text + key;
    }

    if (!isAsciiDigit(key) || !std::all_of(text.begin(), text.end(), isAsciiDigit))
        return text;
    const QString extended = text + key;
    return fitsNetworkId(extended) ? extended : text;
}

} // namespace selvana
