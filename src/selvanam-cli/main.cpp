#include "cli/cli_app.h"
#include "cli/console.h"

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
    selvana::cli::Console console;
    return selvana::cli::runCommandLine(app.arguments().mid(1), console);
}
