#include "ui/splash_placement.h"

#include <QFont>
#include <QString>

#include <algorithm>

namespace selvana {

namespace {

// Average advance of a character and height of a line, in pixels per pixel of the font's size.
// Text is drawn at a whole number of pixels, so the size is rounded first.
constexpr qreal kRegularAdvance = 0.5114;
constexpr qreal kBoldAdvance = 0.6542;
constexpr qreal kLineHeight = 1.19;

} // namespace

SplashPlacement placeSplash(QSize logo, const QList<QSize>& texts, const SplashMargins& margins) {
    int widest = logo.width();
    for (const QSize& text : texts)
        widest = std::max(widest, text.width());
    const int width = 2 * (margins.frame + margins.horizontal) + widest;
    const int inside = width - 2 * margins.frame;
    const int halfSpacing = margins.spacing / 2;

    SplashPlacement placement;
    int y = margins.frame + margins.vertical;
    placement.logo = QRect(margins.frame, y, inside, logo.height());
    y += logo.height();
    for (const QSize& text : texts) {
        y += margins.spacing;
        placement.texts << QRect(margins.frame, y - halfSpacing, inside,
                                 text.height() + 2 * halfSpacing);
        y += text.height();
    }
    placement.window = QSize(width, y + margins.vertical + margins.frame);
    return placement;
}

QSize expectedTextSize(const QString& text, const QFont& font, qreal dpi) {
    const qreal size = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * dpi / 72.0;
    const int pixels = std::max(1, qRound(size));
    const qreal advance = font.weight() >= QFont::DemiBold ? kBoldAdvance : kRegularAdvance;
    return QSize(qRound(text.size() * pixels * advance), qRound(pixels * kLineHeight));
}

QPoint centredIn(const QRect& area, QSize window) {
    return QPoint(area.x() + area.width() / 2 - window.width() / 2,
                  area.y() + area.height() / 2 - window.height() / 2);
}

bool textsFit(const SplashPlacement& placement, const QList<QSize>& texts) {
    if (texts.size() != placement.texts.size())
        return false;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (texts[i].width() > placement.texts[i].width() ||
            texts[i].height() > placement.texts[i].height())
            return false;
    }
    return true;
}

} // namespace selvana
