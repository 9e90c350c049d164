#pragma once

#include <QByteArray>

#include <array>

namespace selvana {

inline constexpr int kNetworkCount = 100;

// Entries 1..100 (index 0 unused), each one line of the networks file exactly as stored: a
// five-character ID followed directly by the description, one byte per character.
using NetworkList = std::array<QByteArray, kNetworkCount + 1>;

} // namespace selvana
