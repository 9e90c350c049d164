#pragma once

#include <QString>

namespace selvana::editor {

class EditorState;

// The protocol decides which inputs, network, double hop, alarms and path the editor offers.
void cmbProtocollo_Click(EditorState& e);

// The path decides whether a repeater or bidirectional input number is asked for.
void cmbViaTX_Click(EditorState& e);

// The item that shows a network code no listed network carries.
QString unlistedNetworkItem(int code);

} // namespace selvana::editor
