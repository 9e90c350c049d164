#pragma once

#include <QString>

namespace selvana {

// Verdict on a key typed into a tagged text box: -1 accept, 0 refuse, or 44/46 when the typed
// decimal separator is not the user's one (the other separator's code). Tag "I" or "L": digits
// only; "D": digits and one decimal separator of the user's number format; anything else: all.
int CheckKeyAscii(const QString& tag, const QString& text, int keyCode);

// The text without its last character; an empty text stays empty.
QString DropLastChar(const QString& text);

} // namespace selvana
