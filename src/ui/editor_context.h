#pragma once

#include "core/session/program_state.h"
#include "ui/editor_controls.h"
#include "ui/key_preview.h"

#include <functional>

namespace selvana {

class UserDialogs;

// What every editor rule works on: the controls, the shared state, and the few window services
// the rules need ("SAVE" on the toolbar, message boxes, the key filter's memory).
struct EditorContext {
    EditorControls& c;
    ProgramState& s;
    KeyPreview& keys;
    UserDialogs& dialogs;
    std::function<void(bool)> setSaveEnabled;

    // True while the program presents a configuration: boxes lose the focus because the program
    // moved it, not because the installer left them, so their range checks wait.
    bool presenting = false;
    // Set while a box takes the focus back, so the box losing it does not take it again.
    bool returningFocus = false;
};

} // namespace selvana
