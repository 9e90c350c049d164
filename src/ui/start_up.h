#pragma once

#include <QStringList>

#include <optional>

class QApplication;

namespace selvana {

class FontPreparation;

// The band letter from the command line: the whole argument text upper-cased, kept only when it
// is exactly "V" or "U" (so "v" counts as "V", while " V" or "VHF" mean no band).
QString bandLetterFromArguments(const QStringList& arguments);

// What the program answers without opening a window: its help for -h or --help, its version
// ("selvanam 1.0.0") for --version; the first of them on the line decides. Nothing for any other
// command line, which opens the window.
std::optional<QString> commandLineAnswer(const QStringList& arguments);

// The help of --help: the band argument and where the program keeps its files.
QString windowHelpText();

// Splash first, modally; then the main window, until the program ends. The fonts' preparation,
// when given, is waited for before the first text is laid out.
// For the benchmark (SELVANA_BENCH_FIRST_WINDOW set): the program prints the moments its first
// window and the splash's texts were on the screen (first_window_probe.h), then 1 if the fonts
// were prepared on a thread of their own, else 0, and ends there.
int StartUp(QApplication& app, FontPreparation* fonts = nullptr);

} // namespace selvana
