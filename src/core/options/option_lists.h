#pragma once

#include "core/networks/network_list.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace selvana {

inline constexpr char kNoNetworkItem[] = "00000 Non assegnata";
inline constexpr int kProtocolUpr52Code = 5;
inline constexpr int kProtocolUpr52Position = 4;

// Items of the five option lists, in list order.
QStringList cmbProtocolloItems();
QStringList cmbTonoSubAudioItems();
QStringList cmbViaTXItems();
QStringList cmbNumTentativiTXItems();
// "00000 Non assegnata", then "<ID> <description>" for each listed entry 1..100 in order; the
// ID is shown as stored and the description in the file's code page.
QStringList cmbCodiceReteItems(const NetworkList& list);

// A network code that no listed entry carries (0 is "00000 Non assegnata", not such a code). The
// list then shows it as an item of its own, "<five digits> (non in elenco)", after the listed
// networks: the code is shown, and written back, as the peripheral holds it.
bool isUnlistedNetwork(std::int32_t code, const NetworkList& list);
QString cmbCodiceReteUnlistedItem(std::int32_t code);

// All five in the order FillCombos rebuilds them.
struct OptionListItems {
    QStringList protocollo;
    QStringList codiceRete;
    QStringList tonoSubAudio;
    QStringList viaTX;
    QStringList numTentativiTX;
};
OptionListItems optionListItems(const NetworkList& list);

// The description of an entry: everything after the five-character ID.
QByteArray GetNomeRete(const QByteArray& entry);

// Protocol code to list position: code 5 is "UPR-52" at position 4; every other code is its own
// position (code 4 also lands on "UPR-52", codes 6 and 7 on no item).
int LookupProtocol(int code);
// List position back to the protocol code stored in the record.
int protocolCodeOf(int position);

// Number of transmissions to list position: 1, 3, 5 give 0, 1, 2; anything else 0.
int LookupTXMultiple(int count);

} // namespace selvana
