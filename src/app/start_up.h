#pragma once

#include <QStringList>

class QApplication;

namespace selvana {

// The band letter from the command line: the whole argument text upper-cased, kept only when it
// is exactly "V" or "U" (so "v" counts as "V", while " V" or "VHF" mean no band).
QString bandLetterFromArguments(const QStringList& arguments);

// Splash first, modally; then the main window, until the program ends.
int StartUp(QApplication& app);

} // namespace selvana
