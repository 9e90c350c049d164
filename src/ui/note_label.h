#pragma once

#include <QLabel>

class QTextLayout;

namespace selvana {

// A label of plain text that is never cut: it breaks its text between words, and a word longer
// than its width (a path) between letters, and asks for the height its width needs. A layout
// may make it as narrow as it likes.
class NoteLabel : public QLabel {
    Q_OBJECT
public:
    explicit NoteLabel(QWidget* parent = nullptr);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The text laid out in that width (of the contents); its height.
    int laidOut(int width, QTextLayout& layout) const;
};

} // namespace selvana
