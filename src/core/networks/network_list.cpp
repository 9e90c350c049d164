#include "core/networks/network_list.h"

#include "core/networks/cell_edit.h"

namespace selvana {

bool isListedNetwork(const QByteArray& entry) {
    if (entry.size() < kNetworkIdLength)
        return false;
    bool anyNonZero = false;
    for (int i = 0; i < kNetworkIdLength; ++i) {
        const char c = entry[i];
        if (c < '0' || c > '9')
            return false;
        anyNonZero = anyNonZero || c != '0';
    }
    return anyNonZero;
}

int LookupReti(std::int32_t code, const NetworkList& list) {
    // Codes of six digits or more, and negative ones, cannot equal a five-digit ID.
    if (code <= 0 || code > 99999)
        return 0;
    const QByteArray wanted = QByteArray::number(code).rightJustified(kNetworkIdLength, '0');
    int position = 0;
    for (int k = 1; k <= kNetworkCount; ++k) {
        if (!isListedNetwork(list[k]))
            continue;
        ++position;
        if (networkIdOf(list[k]) == wanted)
            return position;
    }
    return 0;
}

std::optional<int> networkCodeFromText(const QString& text) {
    bool ok = false;
    const int code = text.trimmed().toInt(&ok);
    if (!ok || code < 0 || code > kMaxNetworkId)
        return std::nullopt;
    return code;
}

} // namespace selvana
