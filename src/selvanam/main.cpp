#include "core/session/qt_messages.h"
#include "serial/traced_serial_link.h"
#include "ui/font_preparation.h"
#include "ui/start_up.h"

#include <QApplication>

#include <cstdio>

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
    QApplication app(argc, argv);
    // The main window's own caption: window systems that append the display name to every
    // title (X11) leave a title ending with it alone, so it is not shown twice.
    QApplication::setApplicationDisplayName(QStringLiteral("Programmatore periferiche Selvana M"));
    return selvana::StartUp(app, &fonts);
}
