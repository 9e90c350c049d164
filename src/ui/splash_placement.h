#pragma once

#include <QList>
#include <QRect>
#include <QSize>

class QFont;
class QString;

namespace selvana {

// Where the splash's logo and texts go: stacked and centred in a framed window. Worked out before
// any font is opened, from the logo's size and the size each text is expected to take, so that
// the first frame shows the window and its logo at their final size and place and the texts
// follow in it without moving anything.
struct SplashPlacement {
    QSize window;
    QRect logo;
    // One per text, in order: the whole width inside the frame and half the spacing above and
    // below, so a text somewhat larger than expected still shows whole, centred where expected.
    QList<QRect> texts;
};

struct SplashMargins {
    int frame = 1;       // width of the frame's line
    int horizontal = 32; // between the frame and the widest part
    int vertical = 24;   // between the frame and the first and last parts
    int spacing = 12;    // between two parts
};

SplashPlacement placeSplash(QSize logo, const QList<QSize>& texts,
                            const SplashMargins& margins = {});

// The size a text of one line takes in `font` on a screen of `dpi` dots per inch, reckoned from
// the font's size and weight alone (nothing is opened or measured): the widths of Latin text in
// DejaVu Sans, Debian's default face and the widest of the common ones.
QSize expectedTextSize(const QString& text, const QFont& font, qreal dpi);

// Where a window of the given size goes to be centred in `area` (the room a screen leaves to
// windows), as a dialog without a parent centres itself.
QPoint centredIn(const QRect& area, QSize window);

// Whether texts of the given sizes fit the places kept for them.
bool textsFit(const SplashPlacement& placement, const QList<QSize>& texts);

} // namespace selvana
