#pragma once

#include "core/link/link_timing.h"

namespace selvana::testing {

// The sanitizers make everything several times slower; the limits grow with them.
#ifdef __SANITIZE_ADDRESS__
inline constexpr int kTestTimeScale = 3;
#else
inline constexpr int kTestTimeScale = 1;
#endif

// The link's timing in tests that run on real timers: every limit in the same order as the
// program's own (tick < frame bound < answer wait), each a fraction of a second.
inline LinkTiming testTiming() {
    LinkTiming timing;
    timing.tickMs = 20;
    timing.framePollMs = 5;
    timing.frameBoundMs = 250 * kTestTimeScale;
    timing.answerWaitMs = 300 * kTestTimeScale;
    return timing;
}

// How far apart a simulated peripheral sends the two parts of a split frame on that timing: a
// few ticks, well within the frame bound.
inline int testSplitDelayMs() {
    return 3 * testTiming().tickMs;
}

} // namespace selvana::testing
