#pragma once

#include "core/link/link_timing.h"

#include <QByteArray>

#include <cstdint>

namespace selvana {

// What one poll of the link found. Messages start with a line feed and a letter.
struct LinkMessage {
    enum class Kind {
        None,        // nothing usable this time
        Pending,     // part of a message is kept for the next poll
        Announce,    // "W" (firmware before M6) or "K" (M6 and later)
        Acknowledge, // "A"
        Refuse,      // "N"
        Frame,       // "X" or "D" configuration frame, complete
        Expired,     // an incomplete frame waited too long and was dropped
    };
    Kind kind = Kind::None;
    char letter = 0;
    QByteArray bytes; // the message from its line feed on
};

// Cuts the received bytes into messages, one per poll: characters before the first line feed
// are dropped, so is everything after the first message, and a message with an unknown letter.
// A message cut by a poll boundary (input ending on its line feed or inside a frame) is kept
// for the next poll; a frame still incomplete frameBoundMs after it began is dropped.
class LinkReceiver {
public:
    explicit LinkReceiver(std::int64_t frameBoundMs = LinkTiming{}.frameBoundMs)
        : frameBoundMs_(frameBoundMs) {}

    LinkMessage feed(const QByteArray& input, std::int64_t nowMs);
    void reset();
    bool waitingForFrame() const { return frameStartMs_ >= 0; }

    void setFrameBound(std::int64_t ms) { frameBoundMs_ = ms; }

private:
    std::int64_t frameBoundMs_;
    QByteArray buffer_;
    std::int64_t frameStartMs_ = -1;
};

} // namespace selvana
