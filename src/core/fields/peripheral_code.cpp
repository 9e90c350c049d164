#include "core/fields/peripheral_code.h"

#include "core/options/option_lists.h"

namespace selvana {

int maximumPeripheralCode(const QString& protocolUpper) {
    if (protocolUpper == QLatin1String("PROTEUS"))
        return 1023;
    if (protocolUpper == QLatin1String("PROTEUS-X") || protocolUpper == QLatin1String("SICEP") ||
        protocolUpper == QLatin1String("UPR") || protocolUpper == QLatin1String("UPR-52"))
        return 9999;
    return 0;
}

int maximumPeripheralCodeOf(int protocolCode) {
    const QStringList names = cmbProtocolloItems();
    const int position = LookupProtocol(protocolCode);
    if (position < 0 || position >= names.size())
        return 0;
    return maximumPeripheralCode(names[position].toUpper());
}

} // namespace selvana
