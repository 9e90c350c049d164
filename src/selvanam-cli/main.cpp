#include "cli/application_kind.h"
#include "cli/cli_app.h"
#include "cli/console.h"
#include "core/files/file_names.h"
#include "core/session/qt_messages.h"
#include "serial/traced_serial_link.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <memory>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

int main(int argc, char** argv) {
#ifdef SIGPIPE
    // A closed pipe on the output must not end a batch in the middle of a write.
    std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef Q_OS_WIN
    // The texts are written in UTF-8: the console shows them as such, whatever its code page
    // was, and gets it back at the end.
    const UINT codePage = GetConsoleOutputCP();
    if (codePage)
        SetConsoleOutputCP(CP_UTF8);
    struct RestoreCodePage {
        UINT page;
        ~RestoreCodePage() {
            if (page)
                SetConsoleOutputCP(page);
        }
    } restore{codePage};
#endif
    // Qt's English words for developers never reach the installer: the trace keeps them.
    selvana::routeQtMessages(qEnvironmentVariable(selvana::kTraceVariable));
    // Decided before an application exists, which some systems need to decode the arguments:
    // only the command and its options count here, not the exact characters of a name.
    QStringList given;
    for (int i = 1; i < argc; ++i)
        given << QString::fromLocal8Bit(argv[i]);
    std::unique_ptr<QCoreApplication> app;
    if (selvana::cli::needsGuiApplication(given)) {
        qputenv("QT_QPA_PLATFORM", selvana::cli::guiPlatform());
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // The same name as the window's, so both keep backups in one folder.
    QCoreApplication::setApplicationName(QStringLiteral("SelvanaM"));
    // The trace names the version, as the window's does.
    QCoreApplication::setApplicationVersion(QStringLiteral(SELVANA_VERSION_TEXT));
    int status = 0;
    {
        selvana::cli::Console console;
        status = selvana::cli::runCommandLine(selvana::argumentsOf(argc, argv), console);
    }
    app.reset();
#ifdef Q_OS_WIN
    // Everything is written and closed here. Ending the process now skips the libraries'
    // unload-time clean-up, which after an exchange with the shared server sometimes never
    // returned (seen under Wine; the program had finished its work).
    std::fflush(nullptr);
    if (restore.page)
        SetConsoleOutputCP(restore.page);
    TerminateProcess(GetCurrentProcess(), UINT(status));
#endif
    return status;
}
