#include "core/options/option_lists.h"

#include "core/networks/ansi_codec.h"

namespace selvana {

QStringList cmbProtocolloItems() {
    return {QStringLiteral("Proteus"), QStringLiteral("Proteus-X"), QStringLiteral("Sicep"),
            QStringLiteral("UPR"), QStringLiteral("UPR-52")};
}

QStringList cmbTonoSubAudioItems() {
    return {QStringLiteral("Nessuno"), QStringLiteral("67.0"),  QStringLiteral("71.9"),
            QStringLiteral("74.4"),    QStringLiteral("77.0"),  QStringLiteral("79.7"),
            QStringLiteral("82.5"),    QStringLiteral("85.4"),  QStringLiteral("88.5"),
            QStringLiteral("91.5"),    QStringLiteral("94.8"),  QStringLiteral("97.4"),
            QStringLiteral("100.0"),   QStringLiteral("103.5"), QStringLiteral("107.2"),
            QStringLiteral("110.9"),   QStringLiteral("114.8"), QStringLiteral("118.8"),
            QStringLiteral("123.0"),   QStringLiteral("127.3"), QStringLiteral("131.8"),
            QStringLiteral("136.5"),   QStringLiteral("141.3"), QStringLiteral("146.2"),
            QStringLiteral("151.4"),   QStringLiteral("156.7"), QStringLiteral("162.2"),
            QStringLiteral("167.9"),   QStringLiteral("173.8"), QStringLiteral("179.9"),
            QStringLiteral("186.2"),   QStringLiteral("192.8"), QStringLiteral("203.5")};
}

QStringList cmbViaTXItems() {
    return {QStringLiteral("Diretta"), QStringLiteral("REP"), QStringLiteral("Bidirezionale")};
}

QStringList cmbNumTentativiTXItems() {
    return {QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("5")};
}

QStringList cmbCodiceReteItems(const NetworkList& list) {
    QStringList items{QString::fromLatin1(kNoNetworkItem)};
    for (int k = 1; k <= kNetworkCount; ++k) {
        if (isListedNetwork(list[k]))
            items.append(ansi::toUnicode(networkIdOf(list[k]) + ' ' + GetNomeRete(list[k])));
    }
    return items;
}

bool isUnlistedNetwork(std::int32_t code, const NetworkList& list) {
    // Five digits hold every code the image can store (at most 65535).
    return code > 0 && code <= 99999 && LookupReti(code, list) == 0;
}

QString cmbCodiceReteUnlistedItem(std::int32_t code) {
    return QString::number(code).rightJustified(kNetworkIdLength, QLatin1Char('0')) +
           QStringLiteral(" (non in elenco)");
}

OptionListItems optionListItems(const NetworkList& list) {
    return {cmbProtocolloItems(), cmbCodiceReteItems(list), cmbTonoSubAudioItems(), cmbViaTXItems(),
            cmbNumTentativiTXItems()};
}

QByteArray GetNomeRete(const QByteArray& entry) {
    return entry.mid(kNetworkIdLength);
}

int LookupProtocol(int code) {
    return code == kProtocolUpr52Code ? kProtocolUpr52Position : code;
}

int protocolCodeOf(int position) {
    return position == kProtocolUpr52Position ? kProtocolUpr52Code : position;
}

int LookupTXMultiple(int count) {
    switch (count) {
    case 3:
        return 1;
    case 5:
        return 2;
    default:
        return 0;
    }
}

} // namespace selvana
