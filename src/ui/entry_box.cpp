#include "ui/entry_box.h"

#include "core/editor/editor_model.h"

#include <QKeyEvent>

namespace selvana {

EntryBox::EntryBox(editor::Ctl id, const editor::EditorModel& model, QWidget* parent)
    : QLineEdit(parent), id_(id), model_(model) {
    setObjectName(editor::nameOf(id));
}

int EntryBox::keyCodeOf(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace)
        return 8;
    // Only a key that types a character is judged. Editing keys are not characters, although a
    // desktop sends some with a control code as text (Delete 127, Ctrl+X 24, Ctrl+V 22): judged,
    // they would be refused and Delete, cut or paste would do nothing in a numeric box. What a
    // paste brings is checked when the box is left.
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return -1;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return -1;
    const char16_t code = text.at(0).unicode();
    return code < 256 ? code : '?';
}

void EntryBox::keyPressEvent(QKeyEvent* event) {
    const int code = keyCodeOf(event);
    if (code >= 0 && !model_.keyAccepted(id_, static_cast<int>(selectedText().size()), code)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void EntryBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Another window taking the focus (a message box, a menu) is not leaving the box.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit left();
}

} // namespace selvana
