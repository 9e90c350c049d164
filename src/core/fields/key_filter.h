#pragma once

#include <QString>

namespace selvana {

// Verdict on a key typed into a tagged text box: -1 accept, 0 refuse, or 44/46 when the typed
// decimal separator is not the user's one (the other separator's code). Tag "I" or "L": digits
// only; "D": digits and one decimal separator of the user's number format; anything else: all.
int CheckKeyAscii(const QString& tag, const QString& text, int keyCode);

// Whether a character typed into a box keeps its text within the box's typing limit (0: none).
// The character replaces the selected ones, so the text it leaves is what counts. The limit is
// on typing only: a text the program puts into a box is shown whole, however long.
bool keyFitsTypingLimit(qsizetype textLength, qsizetype selectedLength, int limit);

} // namespace selvana
