#include "app/start_up.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("SelvanaM"));
    QApplication::setApplicationDisplayName(QStringLiteral("Programmatore Selvana M"));
    QApplication::setApplicationVersion(QStringLiteral(SELVANA_VERSION_TEXT));
    selvana::exitAtFirstWindowIfBenchmarking(app);
    return selvana::StartUp(app);
}
