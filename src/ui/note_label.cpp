#include "ui/note_label.h"

#include <QPainter>
#include <QTextLayout>

#include <cmath>

namespace selvana {

NoteLabel::NoteLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int NoteLabel::laidOut(int width, QTextLayout& layout) const {
    layout.setText(text());
    layout.setFont(font());
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(qMax(1, width));
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return qMax(fontMetrics().height(), int(std::ceil(y)));
}

int NoteLabel::heightForWidth(int width) const {
    const QMargins m = contentsMargins();
    QTextLayout layout;
    return laidOut(width - m.left() - m.right(), layout) + m.top() + m.bottom();
}

QSize NoteLabel::sizeHint() const {
    const QMargins m = contentsMargins();
    const int width =
        int(std::ceil(fontMetrics().horizontalAdvance(text()))) + m.left() + m.right();
    return {width, heightForWidth(width)};
}

QSize NoteLabel::minimumSizeHint() const {
    const QMargins m = contentsMargins();
    return {m.left() + m.right() + fontMetrics().averageCharWidth(),
            fontMetrics().height() + m.top() + m.bottom()};
}

void NoteLabel::paintEvent(QPaintEvent*) {
    const QRect area = contentsRect();
    QTextLayout layout;
    const int height = laidOut(area.width(), layout);
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    // Centred in a label taller than its text, as a label of one line is.
    layout.draw(&painter, QPointF(area.left(), area.top() + qMax(0, (area.height() - height) / 2)));
}

} // namespace selvana
