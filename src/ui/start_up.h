#pragma once

#include <QStringList>

class QApplication;

namespace selvana {

// The band letter from the command line: the whole argument text upper-cased, kept only when it
// is exactly "V" or "U" (so "v" counts as "V", while " V" or "VHF" mean no band).
QString bandLetterFromArguments(const QStringList& arguments);

// Whether a file can be created in the folder, found out by creating and removing one: permission
// bits say nothing of a read-only mount, and nothing at all to root.
bool folderIsWritable(const QString& folder);

// Where "Reti.cfg" is kept: beside the program when its folder is writable (a copy unpacked into
// a folder of the user's), otherwise in the per-user data folder (installed system-wide), which
// is created when missing.
QString networksFolder(const QString& programFolder);

// For the benchmark only (SELVANA_BENCH_FIRST_WINDOW set): once the first window has been
// exposed, prints the wall clock in microseconds since the epoch and ends the process.
void exitAtFirstWindowIfBenchmarking(QApplication& app);

// Splash first, modally; then the main window, until the program ends.
int StartUp(QApplication& app);

} // namespace selvana
