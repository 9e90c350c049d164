#pragma once

#include <QString>

namespace selvana {

struct EditorContext;

// Whether the code box holds a code valid for the selected protocol.
bool peripheralCodeValid(const EditorContext& ctx);

// Red text, the focus back and "SAVE" off for a code out of the protocol's range; black and
// "SAVE" on otherwise; an empty box only takes the focus back.
void CheckCodicePeriferica(EditorContext& ctx);

void txtSerialNumber_Change(EditorContext& ctx);
void txtSerialNumber_LostFocus(EditorContext& ctx);

} // namespace selvana
