#pragma once

#include <QColor>
#include <QWidget>

#include <cstdint>

namespace selvana {

// Colours are numbers 0x00BBGGRR (255 red, 65280 green) everywhere but at the widgets.
inline constexpr std::uint32_t kBlack = 0;
inline constexpr std::uint32_t kRed = 255;
inline constexpr std::uint32_t kGreen = 65280;

inline QColor colourFromBgr(std::uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// The text colour of a widget, remembered as the number it was set with.
void setForeColor(QWidget* widget, std::uint32_t bgr);
std::uint32_t foreColor(const QWidget* widget);

} // namespace selvana
