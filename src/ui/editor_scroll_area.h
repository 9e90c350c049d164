#pragma once

#include <QScrollArea>

namespace selvana {

// The editor's frames in a scroll area that asks for the room they take, so that on a screen
// with room for them the window is as large as the frames need and nothing scrolls. Only on a
// screen too small for them does it ask for less (setRoom) and scroll. The control that takes
// the keyboard focus is scrolled into view, whoever gave it the focus.
class EditorScrollArea : public QScrollArea {
public:
    explicit EditorScrollArea(QWidget* parent = nullptr);

    // The most room the area may ask for; an invalid size sets no limit.
    void setRoom(const QSize& room);
    // The room the frames take with nothing scrolled.
    QSize contentMinimum() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    void focusMoved(QWidget* now);

    QSize room_;
};

} // namespace selvana
