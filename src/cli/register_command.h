#pragma once

namespace selvana::cli {

class Console;
struct Options;

// "registro": the programmed units of the register of this computer (brought up to date from
// the shared register first, when one is set and answers), as text, CSV or JSON, and the site
// sheet as PDF. Returns the exit status.
int runRegisterCommand(const Options& options, Console& console);

// "encode": the configuration file of a JSON as decode --json prints it.
int runEncodeCommand(const Options& options, Console& console);

} // namespace selvana::cli
