#pragma once

#include <thread>

namespace selvana {

// Loads the system's font configuration (fontconfig: its configuration files and font caches) on
// a thread of its own, started before the application object, so that it overlaps the program's
// start instead of delaying the splash's texts. Qt later finds the configuration loaded. Worth it
// only with a processor to spare: on a busy machine the thread takes processor time from the
// window's thread and the window system, and the first window comes later. Does nothing where Qt
// does not use fontconfig.
class FontPreparation {
public:
    enum class Start { WhenProcessorToSpare, Always };

    explicit FontPreparation(Start start = Start::WhenProcessorToSpare);
    ~FontPreparation();
    FontPreparation(const FontPreparation&) = delete;
    FontPreparation& operator=(const FontPreparation&) = delete;

    bool started() const { return started_; }

    // Waits until the configuration is loaded; call it before any text is laid out, or Qt
    // loads a second configuration alongside.
    void wait();

private:
    std::thread thread_;
    bool started_ = false;
};

// Whether a machine with `processors` processors and the given load average has one to spare
// beside the two a program's start keeps busy: its window's thread and the window system.
bool processorToSpare(int processors, double loadAverage);

} // namespace selvana
