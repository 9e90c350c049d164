#pragma once

#include "core/link/link_timing.h"

#include <QStringList>

namespace selvana {
class PortEnumerator;
} // namespace selvana

namespace selvana::cli {

class Console;

// The whole command line: the arguments without the program name in, the exit status out.
// Needs a running QCoreApplication named "SelvanaM" (the data folder follows the name).
int runCommandLine(const QStringList& arguments, Console& console);
// The same with the serial ports present and the link's timing given.
int runCommandLine(const QStringList& arguments, Console& console, const PortEnumerator& ports,
                   const LinkTiming& timing = {});

} // namespace selvana::cli
