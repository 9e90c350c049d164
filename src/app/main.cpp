#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Programmatore periferiche Selvana M"));
    window.resize(680, 480);
    window.show();
    return app.exec();
}
