#pragma once

#include "core/editor/editor_controls.h"

#include <QString>

namespace selvana::editor {

// What a view of the editor learns from the model, as it happens. Every call comes from inside
// a model call; a view may act at once (a focus request is best applied before returning, so a
// box that loses the focus on the way is judged while the request is still going on).
class EditorListener {
public:
    virtual ~EditorListener() = default;

    // Any state of the control changed: value, items, enabling, visibility, colour, caption.
    virtual void controlChanged(Ctl) {}
    // The control should hold the input focus.
    virtual void focusRequested(Ctl) {}
    // A rule decided whether "SAVE" is available; told at every decision, also an unchanged one,
    // since other commands set "SAVE" in between and the last setting wins.
    virtual void saveDecided(bool) {}
    // A message box with an OK button.
    virtual void message(const QString&) {}
};

} // namespace selvana::editor
