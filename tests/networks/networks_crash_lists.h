#pragma once

#include "core/networks/networks_file.h"

namespace selvana::testing {

// The two lists the writer of tst_networks_crash alternates between: different lengths, so a
// file cut short or mixed from both shows at once.
inline NetworkList crashListA() {
    return defaultNetworkList();
}

inline NetworkList crashListB() {
    NetworkList list;
    for (int i = 1; i <= kNetworkCount; ++i)
        list[i] = QByteArray::number(10000 + i) + "Rete di prova numero " + QByteArray::number(i) +
                  " \xe8 lunga";
    list.beyondLast = {"oltre la riga 100", "", "ancora"};
    return list;
}

} // namespace selvana::testing
