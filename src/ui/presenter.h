#pragma once

namespace selvana {

struct EditorContext;

// DisplayData: copies the record into the editor, step by step. A value a control cannot take
// (a list position it does not have, an option member that does not exist) is skipped and the
// remaining steps still run. Setting a control runs its handler at once.
void DisplayData(EditorContext& ctx);

} // namespace selvana
