#pragma once

#include <QChar>
#include <QString>

namespace selvana {

// How a grid cell takes typed keys: '9' for a network ID, 'A' for a description.
enum class CellMode : char { Digits = '9', Text = 'A' };

inline constexpr int kMaxNetworkId = 65535;
inline constexpr int kMaxDescriptionLength = 25;
inline constexpr char16_t kBackspace = 8;

// The cell text after one typed key. Backspace drops the last character in either mode.
// Digits: only "0".."9" count and the value stays at most 65535 (leading zeros are free); a
// cell that holds anything but digits (a hand-edited ID) takes no digit until it is cleared.
// Text: at most 25 characters, and only characters that one line of the networks file can
// hold: no control characters (below 32, 127, 128..159) and nothing outside the file's code
// page. A refused key returns the text unchanged.
QString EditCellText(const QString& text, QChar key, CellMode mode);

// True when a key can become part of a description in the networks file.
bool isStorableDescriptionChar(QChar key);

} // namespace selvana
