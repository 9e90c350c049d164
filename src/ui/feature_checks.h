#pragma once

#include "core/options/mains_input.h"

namespace selvana {

struct EditorContext;

// Which inputs may carry the mains-failure report, from the editor as it stands.
MainsInputRule mainsInputRule(const EditorContext& ctx);

// Settings that only make sense when another one is on. Each check sets its controls completely
// from the current controls and the record, so running it twice changes nothing more.
void CheckCentralina(EditorContext& ctx);           // panel times, input conditioning, mains inputs
void CheckSpontaneaACOff(EditorContext& ctx);       // sampling time and the mains-failure input
void CheckDoppioSalto(EditorContext& ctx);          // ToniAlti and the tone label
void CheckToni(EditorContext& ctx);                 // the tone label only
void CheckTrasmissioniMultiple(EditorContext& ctx); // attempts list and double message

// After a read or an import: the five checks in their order.
void runFeatureChecks(EditorContext& ctx);

// Click rules of the check boxes and option buttons.
void chkDoppioSalto_Click(EditorContext& ctx);
void chkInvioSopravvivenza_Click(EditorContext& ctx);
void optStatiAllarmi_Click(EditorContext& ctx); // optStati_Click and optAllarmi_Click alike
void optNumIngressi_Click(EditorContext& ctx, int member);
void optSpontaneaIngresso_Click(EditorContext& ctx, int member);

} // namespace selvana
