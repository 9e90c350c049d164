#pragma once

#include <future>
#include <thread>

namespace selvana {

// Gets the fonts ready on a thread of its own while the program starts, so that the splash's
// first text does not wait for them: created before the application object, it loads the system's
// font configuration (fontconfig, where Qt uses it) while the program connects to the display;
// once told that the application object exists, it fills Qt's font database and looks up the
// default font while the first window is being built. The window's own thread then finds that
// work done (Qt's font database is shared by all threads and guarded by Qt).
class FontPreparation {
public:
    FontPreparation();
    ~FontPreparation();
    FontPreparation(const FontPreparation&) = delete;
    FontPreparation& operator=(const FontPreparation&) = delete;

    // The application object exists: the thread may go on with Qt's font database.
    void applicationCreated();

    // Waits until the thread is done; the application object must still exist.
    void wait();

private:
    std::promise<bool> go_;
    bool told_ = false;
    std::thread thread_;
};

} // namespace selvana
