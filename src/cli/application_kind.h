#pragma once

#include <QStringList>

namespace selvana::cli {

// Whether the command line needs a QGuiApplication rather than a QCoreApplication: only the
// site sheet does, for its fonts. The others start without loading the window system's
// libraries. Arguments as runCommandLine takes them; a command line that is not valid needs none.
bool needsGuiApplication(const QStringList& arguments);

// The window platform to ask for: the one set in QT_QPA_PLATFORM, else "offscreen", since the
// command line never opens a window and must work without a display (over ssh).
QByteArray guiPlatform();

} // namespace selvana::cli
