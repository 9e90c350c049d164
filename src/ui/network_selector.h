#pragma once

#include <cstdint>

class QComboBox;

namespace selvana {

struct EditorContext;

// Selects the network with this code in cmbCodiceRete. A code that no listed entry carries gets
// an item of its own after the listed networks (whose positions do not move), so it is shown and
// written back unchanged; the networks list itself is not touched.
void selectNetwork(EditorContext& ctx, std::int32_t code);

// Takes such an item away again: every presentation starts from the networks list.
void dropUnlistedNetwork(QComboBox* list);

} // namespace selvana
