#pragma once

#include <QStringList>

class QApplication;

namespace selvana {

// The band letter from the command line: the whole argument text upper-cased, kept only when it
// is exactly "V" or "U" (so "v" counts as "V", while " V" or "VHF" mean no band).
QString bandLetterFromArguments(const QStringList& arguments);

// For the benchmark only (SELVANA_BENCH_FIRST_WINDOW set): once the first window has been
// exposed, prints the wall clock in microseconds since the epoch and ends the process.
void exitAtFirstWindowIfBenchmarking(QApplication& app);

// Splash first, modally; then the main window, until the program ends.
int StartUp(QApplication& app);

} // namespace selvana
