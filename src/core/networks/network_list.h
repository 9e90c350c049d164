#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace selvana {

inline constexpr int kNetworkCount = 100;
inline constexpr int kNetworkIdLength = 5;

// Entries 1..100 (index 0 unused), each one line of the networks file exactly as stored: a
// five-character ID followed directly by the description, one byte per character.
// Lines a hand-edited file holds after line 100 are not part of the list; they ride along in
// beyondLast so that writing the list back loses nothing.
struct NetworkList : std::array<QByteArray, kNetworkCount + 1> {
    QByteArrayList beyondLast;

    friend bool operator==(const NetworkList&, const NetworkList&) = default;
};

// The five-character ID of an entry (the whole entry when it is shorter).
inline QByteArray networkIdOf(const QByteArray& entry) {
    return entry.left(kNetworkIdLength);
}

// An entry is offered in the network selector, and found by LookupReti, when its ID is five
// ASCII digits worth more than 0. Hand-edited IDs such as " 0012" or "12" are never listed.
bool isListedNetwork(const QByteArray& entry);

// Position of the network with this code in the network selector: 0 ("00000 Non assegnata")
// for code 0 or no listed entry carrying it, else the count of listed entries up to and
// including the first one whose ID is the code written with five digits.
int LookupReti(std::int32_t code, const NetworkList& list);

// A network code typed by a person (spaces around it allowed): 0..65535, else nothing.
std::optional<int> networkCodeFromText(const QString& text);

} // namespace selvana
