#pragma once

#include <QByteArray>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace selvana {

// For the start-up benchmark: once the first window of the process has been exposed (and that
// expose handled, so its first frame is drawn), prints the wall clock in microseconds since the
// epoch, followed by whatever `extra` adds, and ends the process. Header only, Qt only, so a bare
// Qt program can measure itself the same way.
class FirstWindowProbe : public QObject {
public:
    explicit FirstWindowProbe(std::function<QByteArray()> extra = {}, QObject* parent = nullptr)
        : QObject(parent), extra_(std::move(extra)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && !seen_) {
            auto* window = qobject_cast<QWindow*>(watched);
            if (window && window->isExposed()) {
                seen_ = true;
                QTimer::singleShot(0, [this] {
                    using namespace std::chrono;
                    const auto now = system_clock::now().time_since_epoch();
                    std::printf("%lld%s\n",
                                static_cast<long long>(duration_cast<microseconds>(now).count()),
                                extra_ ? extra_().constData() : "");
                    std::fflush(stdout);
                    std::_Exit(0);
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<QByteArray()> extra_;
    bool seen_ = false;
};

} // namespace selvana
