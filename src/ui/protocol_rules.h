#pragma once

namespace selvana {

struct EditorContext;

// The protocol decides which inputs, network, double hop, alarms and path the editor offers.
void cmbProtocollo_Click(EditorContext& ctx);

// The path decides whether a repeater or bidirectional input number is asked for.
void cmbViaTX_Click(EditorContext& ctx);

} // namespace selvana
