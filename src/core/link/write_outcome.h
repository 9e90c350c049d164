#pragma once

namespace selvana {

// How a write that went out ended, as far as the program knows it.
enum class WriteOutcome {
    Written,  // "A"
    Refused,  // "N"
    NoAnswer, // no answer in time, or the peripheral restarted instead: unknown
    PortLost, // the port failed while the answer was awaited: unknown
};

} // namespace selvana
