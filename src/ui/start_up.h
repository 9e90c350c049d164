#pragma once

#include <QStringList>

#include <optional>

class QApplication;

namespace selvana {

// The band letter from the command line: the whole argument text upper-cased, kept only when it
// is exactly "V" or "U" (so "v" counts as "V", while " V" or "VHF" mean no band).
QString bandLetterFromArguments(const QStringList& arguments);

// What the program answers without opening a window: its help for -h or --help, its version
// ("selvanam 1.0.0") for --version; the first of them on the line decides. Nothing for any other
// command line, which opens the window.
std::optional<QString> commandLineAnswer(const QStringList& arguments);

// The help of --help: the band argument and where the program keeps its files.
QString windowHelpText();

// For the benchmark only (SELVANA_BENCH_FIRST_WINDOW set): once the first window has been
// exposed, prints the wall clock in microseconds since the epoch and ends the process.
void exitAtFirstWindowIfBenchmarking(QApplication& app);

// Splash first, modally; then the main window, until the program ends.
int StartUp(QApplication& app);

} // namespace selvana
