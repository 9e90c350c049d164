#include "core/link/link_receiver.h"

#include "core/link/frame_codec.h"

namespace selvana {

void LinkReceiver::reset() {
    buffer_.clear();
    frameStartMs_ = -1;
}

namespace {

bool knownLetter(char letter) {
    return letter == 'W' || letter == 'K' || letter == 'A' || letter == 'N' || letter == 'X' ||
           letter == 'D';
}

} // namespace

LinkMessage LinkReceiver::feed(const QByteArray& input, std::int64_t nowMs) {
    buffer_ += input;
    // A line with a letter nobody sends is line noise: the search goes on after it, so that
    // a message arriving behind it in the same poll is not lost.
    qsizetype lineFeed = buffer_.indexOf(frame::kLineFeed);
    while (lineFeed >= 0 && lineFeed + 1 < buffer_.size() && !knownLetter(buffer_[lineFeed + 1]))
        lineFeed = buffer_.indexOf(frame::kLineFeed, lineFeed + 1);
    if (lineFeed < 0) {
        reset();
        return {};
    }
    buffer_.remove(0, lineFeed);
    if (buffer_.size() < 2)
        return {LinkMessage::Kind::Pending, 0, {}};

    const char letter = buffer_[1];
    LinkMessage message{LinkMessage::Kind::None, letter, {}};
    switch (letter) {
    case 'W':
    case 'K':
        message.kind = LinkMessage::Kind::Announce;
        break;
    case 'A':
        message.kind = LinkMessage::Kind::Acknowledge;
        break;
    case 'N':
        message.kind = LinkMessage::Kind::Refuse;
        break;
    case 'X':
    case 'D': {
        const int needed = letter == 'X' ? frame::kFrameLengthX : frame::kFrameLengthD;
        if (buffer_.size() < needed) {
            if (frameStartMs_ < 0)
                frameStartMs_ = nowMs;
            if (nowMs - frameStartMs_ <= frameBoundMs_)
                return {LinkMessage::Kind::Pending, letter, {}};
            reset();
            return {LinkMessage::Kind::Expired, letter, {}};
        }
        message.kind = LinkMessage::Kind::Frame;
        break;
    }
    default:
        reset();
        return {};
    }
    message.bytes = buffer_;
    reset();
    return message;
}

} // namespace selvana
