#pragma once

#include <cstdint>

namespace selvana {

// Every time limit of the exchange with a peripheral, in milliseconds; the same for the window
// and the command line. The README's table of timeouts lists these defaults.
struct LinkTiming {
    // How often the port is read while a session is open.
    int tickMs = 500;
    // How often it is read while a frame is arriving, so its rest is taken without a tick's wait.
    int framePollMs = 20;
    // A frame still incomplete this long after it began is dropped, and so is the wait for a
    // frame that has not begun this long after the peripheral's announcement was answered: the
    // installer is asked to press RESET again.
    std::int64_t frameBoundMs = 2000;
    // The answer to a write; after it the outcome is unknown. A late answer still counts while
    // the session stays open.
    std::int64_t answerWaitMs = 5000;

    bool operator==(const LinkTiming&) const = default;
};

} // namespace selvana
