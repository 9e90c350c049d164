#pragma once

namespace selvana {

struct EditorContext;

// Rebuilds the five option lists from the tables and the networks list, each emptied first and
// left without a selection; no handler runs.
void FillCombos(EditorContext& ctx);

} // namespace selvana
