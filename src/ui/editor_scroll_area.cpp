#include "ui/editor_scroll_area.h"

#include <QApplication>
#include <QScrollBar>

namespace selvana {

EditorScrollArea::EditorScrollArea(QWidget* parent) : QScrollArea(parent) {
    setObjectName(QStringLiteral("editorScroll"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setFocusPolicy(Qt::NoFocus); // Tab goes from the last control of the editor to the first
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { focusMoved(now); });
}

void EditorScrollArea::setRoom(const QSize& room) {
    if (room == room_)
        return;
    room_ = room;
    updateGeometry();
}

QSize EditorScrollArea::contentMinimum() const {
    const int frame = 2 * frameWidth();
    return widget() ? widget()->minimumSizeHint() + QSize(frame, frame) : QSize(frame, frame);
}

// QScrollArea's own hint stops at a few dozen lines of text, smaller than the frames.
QSize EditorScrollArea::sizeHint() const {
    const int frame = 2 * frameWidth();
    return widget() ? widget()->sizeHint() + QSize(frame, frame) : QScrollArea::sizeHint();
}

QSize EditorScrollArea::minimumSizeHint() const {
    QSize content = contentMinimum();
    if (!room_.isValid())
        return content;
    // Scrolling one way takes a scroll bar's room the other way.
    if (content.height() > room_.height())
        content.rwidth() += verticalScrollBar()->sizeHint().width();
    if (content.width() > room_.width())
        content.rheight() += horizontalScrollBar()->sizeHint().height();
    return content.boundedTo(room_).expandedTo(QScrollArea::minimumSizeHint());
}

// The whole control, not only its text cursor as ensureWidgetVisible would for a text box, with a
// little room around it when there is some.
void EditorScrollArea::focusMoved(QWidget* now) {
    if (!now || !widget() || !widget()->isAncestorOf(now))
        return;
    constexpr int kAround = 8;
    const QRect control(now->mapTo(widget(), QPoint(0, 0)), now->size());
    ensureVisible(control.center().x(), control.center().y(), control.width() / 2 + kAround,
                  control.height() / 2 + kAround);
}

} // namespace selvana
