#include "cli/cli_app.h"
#include "cli/console.h"
#include "cli/file_names.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char** argv) {
#ifdef SIGPIPE
    // A closed pipe on the output must not end a batch in the middle of a write.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QCoreApplication app(argc, argv);
    // The same name as the window's, so both keep backups in one folder.
    QCoreApplication::setApplicationName(QStringLiteral("SelvanaM"));
    // The trace names the version, as the window's does.
    QCoreApplication::setApplicationVersion(QStringLiteral(SELVANA_VERSION_TEXT));
    selvana::cli::Console console;
    return selvana::cli::runCommandLine(selvana::cli::argumentsOf(argc, argv), console);
}
