#include "ui/colours.h"

#include <QVariant>

namespace selvana {

void setForeColor(QWidget* widget, std::uint32_t bgr) {
    const QVariant current = widget->property("ForeColor");
    if (current.isValid() && current.toUInt() == bgr)
        return; // a new palette would be handed down to every child again
    QPalette palette = widget->palette();
    const QColor colour = colourFromBgr(bgr);
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
    widget->setProperty("ForeColor", QVariant::fromValue<uint>(bgr));
}

std::uint32_t foreColor(const QWidget* widget) {
    const QVariant value = widget->property("ForeColor");
    return value.isValid() ? value.toUInt() : kBlack;
}

} // namespace selvana
