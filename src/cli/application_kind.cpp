#include "cli/application_kind.h"

#include "cli/command_line.h"

namespace selvana::cli {

bool needsGuiApplication(const QStringList& arguments) {
    Options options;
    return !parseCommandLine(arguments, options) && options.command == Options::Command::Registro &&
           !options.pdfPath.isEmpty();
}

QByteArray guiPlatform() {
    const QByteArray set = qgetenv("QT_QPA_PLATFORM");
    return set.isEmpty() ? QByteArrayLiteral("offscreen") : set;
}

} // namespace selvana::cli
