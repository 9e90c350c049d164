#pragma once

#include "core/image/config_record.h"
#include "core/link/link_receiver.h"
#include "core/link/serial_link.h"

namespace selvana {

// The exchange with a peripheral over an open link, shared by every front end: each poll reads
// what arrived, cuts out one message and answers an announcement with the configuration request.
class PeripheralExchange {
public:
    explicit PeripheralExchange(SerialLink& link) : link_(link) {}

    LinkMessage poll(std::int64_t nowMs);
    bool sendConfiguration(const Image& saveImage);
    void reset() { receiver_.reset(); }
    bool waitingForFrame() const { return receiver_.waitingForFrame(); }

    static QByteArray announcementReply() { return QByteArrayLiteral("\nA\r"); }
    static QByteArray configurationRequest() { return QByteArrayLiteral("\nX\r"); }

private:
    SerialLink& link_;
    LinkReceiver receiver_;
};

} // namespace selvana
