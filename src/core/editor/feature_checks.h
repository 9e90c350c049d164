#pragma once

namespace selvana::editor {

class EditorState;

// Settings that only make sense when another one is on. Each check sets its controls completely
// from the current controls and the record, so running it twice changes nothing more.
void CheckCentralina(EditorState& e);           // panel times, input conditioning, mains inputs
void CheckSpontaneaACOff(EditorState& e);       // sampling time and the mains-failure input
void CheckDoppioSalto(EditorState& e);          // ToniAlti and the tone label
void CheckToni(EditorState& e);                 // the tone label only
void CheckTrasmissioniMultiple(EditorState& e); // attempts list and double message

// After a read or an import: the five checks in their order.
void runFeatureChecks(EditorState& e);

// Click rules of the check boxes and option buttons.
void chkDoppioSalto_Click(EditorState& e);
void chkInvioSopravvivenza_Click(EditorState& e);
void optStatiAllarmi_Click(EditorState& e);            // optStati_Click and optAllarmi_Click alike
void optNumIngressi_Click(EditorState& e, int member); // also the mains-failure inputs
void optSpontaneaIngresso_Click(EditorState& e, int member);

// With firmware M6 and the panel ticked a conditioned input cannot report a mains failure;
// true when the mains-failure transmission is ticked although every input the peripheral has
// (1 to NumIngressi) is conditioned, so no input can.
bool mainsFailureInputImpossible(const EditorState& e);

} // namespace selvana::editor
