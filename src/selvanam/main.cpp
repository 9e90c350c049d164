#include "core/session/qt_messages.h"
#include "serial/traced_serial_link.h"
#include "ui/font_preparation.h"
#include "ui/start_up.h"

#include <QApplication>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

int main(int argc, char** argv) {
    // Qt's English words for developers never reach the installer: the trace keeps them.
    selvana::routeQtMessages(qEnvironmentVariable(selvana::kTraceVariable));
    QApplication::setApplicationName(QStringLiteral("SelvanaM"));
    QApplication::setApplicationVersion(QStringLiteral(SELVANA_VERSION_TEXT));
    {
        // Help and version need no display, so they come before the window system is reached.
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        if (const auto answer = selvana::commandLineAnswer(arguments)) {
            std::fputs(answer->toLocal8Bit().constData(), stdout);
            return 0;
        }
    }
    selvana::FontPreparation fonts;
    int status = 0;
    {
        QApplication app(argc, argv);
        // The main window's own caption: window systems that append the display name to every
        // title (X11) leave a title ending with it alone, so it is not shown twice.
        QApplication::setApplicationDisplayName(
            QStringLiteral("Programmatore periferiche Selvana M"));
        status = selvana::StartUp(app, &fonts);
    }
#ifdef Q_OS_WIN
    // Everything is saved and closed here. Ending the process now skips the libraries'
    // unload-time clean-up, which after an exchange with the shared server sometimes never
    // returned (seen under Wine; the program had finished its work).
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), UINT(status));
#endif
    return status;
}
