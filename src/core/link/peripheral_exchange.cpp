#include "core/link/peripheral_exchange.h"

#include "core/link/frame_codec.h"

namespace selvana {

LinkMessage PeripheralExchange::poll(std::int64_t nowMs) {
    QByteArray input;
    if (link_.bytesAvailable() > 0)
        input = link_.readAll();
    LinkMessage message = receiver_.feed(input, nowMs);
    if (message.kind == LinkMessage::Kind::Announce) {
        link_.write(announcementReply());
        link_.write(configurationRequest());
    }
    return message;
}

bool PeripheralExchange::sendConfiguration(const Image& saveImage) {
    return link_.write(buildWriteFrame(saveImage));
}

} // namespace selvana
