// selvanam-bench: the program's own work per timer tick that receives and presents a
// configuration, and per "SAVE" (collect, assemble, send), on the real window against a
// selvanam-sim process; also the resident memory with a configuration shown.
//   selvanam-bench SIMULATOR_PROGRAM [CYCLES]
// Prints "name value" lines for bench/run.sh.

#include "core/run/programming_run.h"
#include "driven_window.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <vector>

using namespace selvana;
using namespace selvana::drive;

namespace {

struct Times {
    double wallUs = 0;
    double cpuUs = 0;
    long waits = 0;       // voluntary context switches: the thread blocked
    long preemptions = 0; // involuntary ones: another process took the core
};

double nowUs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

rusage threadUsage() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage;
}

class Stopwatch {
public:
    Stopwatch()
        : wall_(nowUs(CLOCK_MONOTONIC)), cpu_(nowUs(CLOCK_THREAD_CPUTIME_ID)),
          usage_(threadUsage()) {}
    Times elapsed() const {
        const rusage usage = threadUsage();
        return {nowUs(CLOCK_MONOTONIC) - wall_, nowUs(CLOCK_THREAD_CPUTIME_ID) - cpu_,
                usage.ru_nvcsw - usage_.ru_nvcsw, usage.ru_nivcsw - usage_.ru_nivcsw};
    }

private:
    double wall_;
    double cpu_;
    rusage usage_;
};

// Times every timer event from the outside, so the whole handler counts, whichever of the run's
// timers (the 500 ms tick or the frame poll) took the frame; keeps those during which a
// configuration was presented.
class TimingApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool presented = false;
    std::vector<Times> ticks;

    bool notify(QObject* receiver, QEvent* event) override {
        const bool timed = depth_ == 0 && event->type() == QEvent::Timer &&
                           qobject_cast<QTimer*>(receiver) != nullptr;
        if (timed)
            presented = false;
        const Stopwatch watch;
        ++depth_;
        const bool result = QApplication::notify(receiver, event);
        --depth_;
        if (timed && presented) {
            ticks.push_back(watch.elapsed());
            presented = false;
        }
        return result;
    }

private:
    int depth_ = 0;
};

long statusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    }
    return -1;
}

void report(const char* name, std::vector<Times> times) {
    if (times.empty()) {
        std::printf("%s_count 0\n", name);
        return;
    }
    const Times first = times.front();
    std::vector<double> wall, cpu;
    for (const Times& t : times) {
        wall.push_back(t.wallUs);
        cpu.push_back(t.cpuUs);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%s_count %zu\n", name, times.size());
    std::printf("%s_first_wall_us %.0f\n%s_first_cpu_us %.0f\n", name, first.wallUs, name,
                first.cpuUs);
    std::printf("%s_median_wall_us %.0f\n%s_median_cpu_us %.0f\n", name, wall[wall.size() / 2],
                name, cpu[cpu.size() / 2]);
    std::printf("%s_max_wall_us %.0f\n%s_max_cpu_us %.0f\n", name, wall.back(), name, cpu.back());
    long waits = 0, preemptions = 0;
    for (const Times& t : times) {
        waits += t.waits;
        preemptions += t.preemptions;
    }
    std::printf("%s_waits %ld\n%s_preemptions %ld\n", name, waits, name, preemptions);
}

} // namespace

int main(int argc, char** argv) {
    const PrivateHome home;
    TimingApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("SelvanaM"));
    QApplication::setApplicationDisplayName(QStringLiteral("Programmatore periferiche Selvana M"));
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "uso: selvanam-bench SIMULATORE [CICLI]\n");
        return 2;
    }
    const int cycles = args.size() > 2 ? args[2].toInt() : 20;

    DrivenWindow driven(home);
    if (!driven.start(args[1], {QStringLiteral("--announce"), QStringLiteral("K")})) {
        std::fprintf(stderr, "selvanam-bench: %s\n", qPrintable(driven.error()));
        return 1;
    }
    QObject::connect(&driven.window().run(), &ProgrammingRun::framePresented,
                     [&app] { app.presented = true; });

    std::vector<Times> saves;
    std::vector<Times> networkWrites;
    long rssShownKb = -1;
    for (int i = 0; i < cycles; ++i) {
        if (!driven.load()) {
            std::fprintf(stderr, "selvanam-bench: no configuration shown: %s\n",
                         qPrintable(driven.prompt()));
            return 1;
        }
        waitFor([] { return false; }, 200); // painted
        if (i == 0)
            rssShownKb = statusKb("VmRSS:");
        const Stopwatch watch;
        driven.click("SAVE");
        saves.push_back(watch.elapsed());
        if (!waitFor([&] { return driven.prompt() == ProgrammingRun::promptWritten(); }, 10000)) {
            std::fprintf(stderr, "selvanam-bench: the write was not confirmed: %s\n",
                         qPrintable(driven.prompt()));
            return 1;
        }
        // The part of every command that rewrites the networks file, on its own.
        const Stopwatch networksWatch;
        driven.window().writeNetworks();
        networkWrites.push_back(networksWatch.elapsed());
    }
    std::printf("rss_shown_kb %ld\n", rssShownKb);
    std::printf("rss_end_kb %ld\n", statusKb("VmRSS:"));
    std::printf("rss_peak_kb %ld\n", statusKb("VmHWM:"));
    report("tick", app.ticks);
    report("save", saves);
    report("networks_write", networkWrites);
    return 0;
}
