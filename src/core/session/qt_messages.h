#pragma once

#include <QString>

namespace selvana {

// Qt's own debug, info and warning messages ("QStandardPaths: XDG_RUNTIME_DIR not set", the
// PostgreSQL driver's "Unable to free statement") are English words for developers, not for the
// installer: from now on they go to the trace file `tracePath` names (one line each, with the
// time, as the serial trace writes them) and nowhere when it names none. When the file cannot
// be written they reach stderr as before, so the program's own word about the trace does too.
// Critical and fatal messages still reach stderr.
void routeQtMessages(const QString& tracePath);

} // namespace selvana
