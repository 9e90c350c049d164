#pragma once

#include <thread>

namespace selvana {

// Loads the system's font configuration (fontconfig: its configuration files and font caches) on
// a thread of its own, started before the application object, so that it overlaps the program's
// connection to the display instead of delaying the splash's first text. Qt later finds the
// configuration loaded. Does nothing where Qt does not use fontconfig.
class FontPreparation {
public:
    FontPreparation();
    ~FontPreparation();
    FontPreparation(const FontPreparation&) = delete;
    FontPreparation& operator=(const FontPreparation&) = delete;

    // Waits until the configuration is loaded; call it before any text is laid out, or Qt
    // loads a second configuration alongside.
    void wait();

private:
    std::thread thread_;
};

} // namespace selvana
