#pragma once

#include <QStringList>

namespace selvana::cli {

class Console;

// The whole command line: the arguments without the program name in, the exit status out.
// Needs a running QCoreApplication named "SelvanaM" (the data folder follows the name).
int runCommandLine(const QStringList& arguments, Console& console);

} // namespace selvana::cli
