#include "ui/start_up.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("SelvanaM"));
    // The main window's own caption: window systems that append the display name to every
    // title (X11) leave a title ending with it alone, so it is not shown twice.
    QApplication::setApplicationDisplayName(QStringLiteral("Programmatore periferiche Selvana M"));
    QApplication::setApplicationVersion(QStringLiteral(SELVANA_VERSION_TEXT));
    selvana::exitAtFirstWindowIfBenchmarking(app);
    return selvana::StartUp(app);
}
