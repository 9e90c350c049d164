#pragma once

#include <QString>

namespace selvana {

struct EditorContext;

// Largest peripheral code of a protocol, by its list text in upper case; 0 (nothing valid)
// for any other text, an empty one included.
int maximumPeripheralCode(const QString& protocolUpper);

// Whether the code box holds a code valid for the selected protocol.
bool peripheralCodeValid(const EditorContext& ctx);

// Red text, the focus back and "SAVE" off for a code out of the protocol's range; black and
// "SAVE" on otherwise; an empty box only takes the focus back.
void CheckCodicePeriferica(EditorContext& ctx);

void txtSerialNumber_Change(EditorContext& ctx);
void txtSerialNumber_LostFocus(EditorContext& ctx);

} // namespace selvana
