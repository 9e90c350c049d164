#include "cli/cli_app.h"
#include "cli/console.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The same name as the window's, so both keep backups in one folder.
    QCoreApplication::setApplicationName(QStringLiteral("SelvanaM"));
    selvana::cli::Console console;
    return selvana::cli::runCommandLine(app.arguments().mid(1), console);
}
