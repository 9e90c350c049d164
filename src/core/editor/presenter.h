#pragma once

namespace selvana::editor {

class EditorState;

// DisplayData: copies the record into the editor, step by step. A value a control cannot take
// (a list position it does not have, an option member that does not exist) is skipped and the
// remaining steps still run. Setting a control runs its handler at once.
void DisplayData(EditorState& e);

// Rebuilds the five option lists from their tables and the networks list, each left without a
// selection; no handler runs.
void FillCombos(EditorState& e);

} // namespace selvana::editor
