#pragma once

namespace selvana::editor {

class EditorState;

// The protocol decides which inputs, network, double hop, alarms and path the editor offers.
void cmbProtocollo_Click(EditorState& e);

// The path decides whether a repeater or bidirectional input number is asked for.
void cmbViaTX_Click(EditorState& e);

} // namespace selvana::editor
