// The yardstick for start-up time and memory: a Qt Widgets program that only opens a window. Once
// its window has been exposed it prints the wall clock in microseconds since the epoch and its
// resident memory in kB, and ends.

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

class FirstWindowProbe : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && !seen_) {
            auto* window = qobject_cast<QWindow*>(watched);
            if (window && window->isExposed()) {
                seen_ = true;
                QTimer::singleShot(0, [] {
                    using namespace std::chrono;
                    const auto now = system_clock::now().time_since_epoch();
                    std::printf("%lld %ld\n",
                                static_cast<long long>(duration_cast<microseconds>(now).count()),
                                residentKb());
                    std::fflush(stdout);
                    std::_Exit(0);
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    FirstWindowProbe probe;
    app.installEventFilter(&probe);
    QWidget window;
    window.resize(400, 270); // about the splash window's size
    window.show();
    return app.exec();
}
