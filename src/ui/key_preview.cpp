#include "ui/key_preview.h"

#include "core/fields/key_filter.h"

#include <QKeyEvent>

namespace selvana {

int KeyPreview::keyCodeOf(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace)
        return 8;
    // Only a key that types a character is judged. Editing keys are not characters, although a
    // desktop sends some with a control code as text (Delete 127, Ctrl+X 24, Ctrl+V 22): judged,
    // their change would be undone and Delete, cut or paste would do nothing in a numeric box.
    // What a paste brings is checked when the box is left.
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return -1;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return -1;
    const char16_t code = text.at(0).unicode();
    return code < 256 ? code : '?';
}

void KeyPreview::Form_KeyPress(QLineEdit* control, int keyCode) {
    const QString tag = control->property("Tag").toString();
    if (tag.isEmpty())
        return;
    const QString text = control->text();
    before_ = {control, text, control->cursorPosition()};
    if (keyCode == 8)
        state_.KeyAccepted = true;
    else
        state_.KeyAccepted = CheckKeyAscii(tag, text, keyCode) < 0 &&
                             keyFitsTypingLimit(text.size(), control->selectedText().size(),
                                                control->property("MaxLength").toInt());
}

void KeyPreview::afterKey() {
    if (before_.control)
        state_.KeyAccepted = true;
    before_ = {};
}

TaggedLineEdit::TaggedLineEdit(const QString& name, const QString& tag, int typingLimit,
                               QWidget* parent)
    : QLineEdit(parent) {
    setObjectName(name);
    setProperty("Tag", tag);
    setProperty("MaxLength", typingLimit);
}

void TaggedLineEdit::keyPressEvent(QKeyEvent* event) {
    const int code = KeyPreview::keyCodeOf(event);
    // An untagged box has no change handler to undo a key, so a character over its limit is
    // kept out of it here; a tagged box hears the verdict through the key preview.
    if (code > 0 && code != 8 && tag().isEmpty() &&
        !keyFitsTypingLimit(text().size(), selectedText().size(), typingLimit())) {
        event->accept();
        return;
    }
    if (!preview_ || code < 0) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    preview_->Form_KeyPress(this, code);
    QLineEdit::keyPressEvent(event);
    preview_->afterKey();
}

void TaggedLineEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Another window taking the focus (a message box, a menu) is not leaving the box.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit focusLost();
}

} // namespace selvana
