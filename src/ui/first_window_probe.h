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

#ifdef Q_OS_UNIX
#include <time.h>
#endif

namespace selvana {

// For the start-up benchmark: once the first window of the process has been exposed (and that
// expose handled, so its first frame is drawn), prints the wall clock in microseconds since the
// epoch, the processor time used so far in microseconds by the thread that shows the window and
// by the whole process (-1 where unknown), then whatever `extra` adds, and ends the process.
// Processor time says how much work the start-up took whatever else the machine was doing.
// Header only, Qt only, so a bare Qt program can measure itself the same way.
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
                    std::printf("%lld %lld %lld%s\n",
                                static_cast<long long>(duration_cast<microseconds>(now).count()),
                                cpuMicroseconds(kThreadClock), cpuMicroseconds(kProcessClock),
                                extra_ ? extra_().constData() : "");
                    std::fflush(stdout);
                    std::_Exit(0);
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
#ifdef Q_OS_UNIX
    static constexpr int kThreadClock = CLOCK_THREAD_CPUTIME_ID;
    static constexpr int kProcessClock = CLOCK_PROCESS_CPUTIME_ID;
    static long long cpuMicroseconds(int clock) {
        timespec t{};
        if (clock_gettime(clock, &t) != 0)
            return -1;
        return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
    }
#else
    static constexpr int kThreadClock = 0;
    static constexpr int kProcessClock = 0;
    static long long cpuMicroseconds(int) {
        return -1;
    }
#endif

    std::function<QByteArray()> extra_;
    bool seen_ = false;
};

} // namespace selvana
