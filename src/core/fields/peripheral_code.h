#pragma once

#include <QString>

namespace selvana {

// Largest peripheral code of a protocol, by its list text in upper case; 0 (nothing valid)
// for any other text, an empty one included. Valid codes run from 1 to it.
int maximumPeripheralCode(const QString& protocolUpper);

// The same for a protocol code of the record, through the list item it is shown as.
int maximumPeripheralCodeOf(int protocolCode);

} // namespace selvana
