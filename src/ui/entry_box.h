#pragma once

#include "core/editor/editor_controls.h"

#include <QLineEdit>

class QKeyEvent;

namespace selvana {

namespace editor {
class EditorModel;
}

// A text box of the editor. Every character key is put to the editor model before the box sees
// it, and a key the model refuses never reaches the text; what the installer's keys, pastes and
// cuts leave in the box goes to the model through textChanged. Leaving the box is told by left().
class EntryBox : public QLineEdit {
    Q_OBJECT
public:
    EntryBox(editor::Ctl id, const editor::EditorModel& model, QWidget* parent = nullptr);

    // The character code of a key event (8 for backspace); -1 for keys that type no character
    // (arrows, Delete, Enter, Ctrl shortcuts), which are never judged.
    static int keyCodeOf(const QKeyEvent* event);

signals:
    void left();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    editor::Ctl id_;
    const editor::EditorModel& model_;
};

} // namespace selvana
