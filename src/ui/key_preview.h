#pragma once

#include "core/session/program_state.h"

#include <QLineEdit>

class QKeyEvent;

namespace selvana {

// The window-wide key filter: judges every character typed into a tagged text box before the box
// sees it and leaves the verdict in KeyAccepted. The box's change handler then undoes a refused
// key; afterKey clears a verdict no change consumed (a refused Enter changes no text), so a
// text the program sets later is never trimmed.
class KeyPreview {
public:
    explicit KeyPreview(ProgramState& state) : state_(state) {}

    // Form_KeyPress: keyCode is the character's code (8 for backspace).
    void Form_KeyPress(QLineEdit* control, int keyCode);
    void afterKey();

    // What the box held before the key, so a refused key can be undone wherever it landed.
    struct Before {
        QLineEdit* control = nullptr;
        QString text;
        int cursor = 0;
    };
    const Before& before() const { return before_; }

    // The character code the key filter judges (8 for backspace); -1 for keys that type no
    // character (arrows, Delete, Enter, Ctrl shortcuts), which are never judged.
    static int keyCodeOf(const QKeyEvent* event);

private:
    ProgramState& state_;
    Before before_;
};

// A text box that runs the window's key preview. Its "Tag" property selects the filter: "I"
// whole numbers, "D" decimal numbers, empty for none. Its "MaxLength" property is the most
// characters an installer may type (0: no limit); it never cuts a text the program sets, so a
// value longer than the limit is shown, and written back, whole.
class TaggedLineEdit : public QLineEdit {
    Q_OBJECT
public:
    TaggedLineEdit(const QString& name, const QString& tag, int typingLimit,
                   QWidget* parent = nullptr);
    void setKeyPreview(KeyPreview* preview) { preview_ = preview; }
    QString tag() const { return property("Tag").toString(); }
    int typingLimit() const { return property("MaxLength").toInt(); }

signals:
    void focusLost();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    KeyPreview* preview_ = nullptr;
};

} // namespace selvana
