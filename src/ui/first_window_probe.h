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
#include <optional>

#ifdef Q_OS_UNIX
#include <time.h>
#endif

namespace selvana {

// For the start-up benchmark: once the first window of the process has been exposed (and that
// expose handled, so its first frame is drawn), takes the wall clock in microseconds since the
// epoch and the processor time used so far in microseconds by the thread that shows the window
// and by the whole process (-1 where unknown). Processor time says how much work the start-up
// took whatever else the machine was doing. Unless told to wait for a later moment, it then prints
// the three numbers and whatever `extra` adds on one line and ends the process. Told to wait, it
// takes the same three numbers again when later() is called and prints the six; a moment that
// does not come within five seconds is printed as -1 -1 -1.
// Header only, Qt only, so a bare Qt program can measure itself the same way.
class FirstWindowProbe : public QObject {
public:
    enum class Wait { NoLaterMoment, ForLaterMoment };

    explicit FirstWindowProbe(std::function<QByteArray()> extra = {},
                              Wait wait = Wait::NoLaterMoment, QObject* parent = nullptr)
        : QObject(parent), extra_(std::move(extra)), wait_(wait) {}

    void later() {
        if (!laterMoment_)
            laterMoment_ = now();
        finishWhenDone();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && !seen_) {
            auto* window = qobject_cast<QWindow*>(watched);
            if (window && window->isExposed()) {
                seen_ = true;
                QTimer::singleShot(0, this, [this] {
                    firstWindow_ = now();
                    if (wait_ == Wait::ForLaterMoment)
                        QTimer::singleShot(5000, this, [this] { finish(); });
                    finishWhenDone();
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    struct Moment {
        long long wall;
        long long thread;
        long long process;
    };

    static Moment now() {
        using namespace std::chrono;
        const auto wall = system_clock::now().time_since_epoch();
        return {static_cast<long long>(duration_cast<microseconds>(wall).count()),
                cpuMicroseconds(kThreadClock), cpuMicroseconds(kProcessClock)};
    }

    void finishWhenDone() {
        if (firstWindow_ && (wait_ == Wait::NoLaterMoment || laterMoment_))
            finish();
    }

    [[noreturn]] void finish() {
        const Moment first = *firstWindow_;
        std::printf("%lld %lld %lld", first.wall, first.thread, first.process);
        if (wait_ == Wait::ForLaterMoment) {
            const Moment later = laterMoment_.value_or(Moment{-1, -1, -1});
            std::printf(" %lld %lld %lld", later.wall, later.thread, later.process);
        }
        std::printf("%s\n", extra_ ? extra_().constData() : "");
        std::fflush(stdout);
        std::_Exit(0);
    }

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
    Wait wait_;
    bool seen_ = false;
    std::optional<Moment> firstWindow_;
    std::optional<Moment> laterMoment_;
};

} // namespace selvana
