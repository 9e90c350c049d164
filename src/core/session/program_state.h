#pragma once

#include "core/session/session_data.h"

#include <cstdint>

namespace selvana {

// Ports "Com 01:" to "Com 04:" of the port window, 1 to 4 on the command line.
inline constexpr int kPortCount = 4;

// Everything the program shares between its windows and its link for one run of the program:
// the session's data and the window's own flags; created zeroed at start and alive until exit.
struct ProgramState : SessionData {
    std::int16_t PortNumber = 0; // 1..4, 0 for none
    bool LoadingReti = false;    // true only while the networks grid is refilled
};

} // namespace selvana
