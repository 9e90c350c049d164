#include "core/link/frame_codec.h"

#include "core/fields/number_text.h"
#include "core/image/config_decoder.h"
#include "core/image/memory_map.h"

namespace selvana {

bool isReadFrame(const QByteArray& frame) {
    return frame.size() >= frame::kReadFrameMinimum && (frame[1] == 'X' || frame[1] == 'D');
}

QString serialNumberOf(const Image& image) {
    QString text;
    for (int i = map::kSerialFirst; i <= map::kSerialLast; ++i)
        text += byteHex(image[i]);
    return text;
}

bool Analyze(const QByteArray& frame, const QString& bandLetter, Image& configImage,
             ConfigRecord& rec) {
    if (!isReadFrame(frame))
        return false;
    for (int k = 1; k <= map::kImageSize; ++k)
        configImage[k] = static_cast<std::uint8_t>(frame[frame::kImageStart + k - 1]);
    rec.SerialNumber = serialNumberOf(configImage);
    Analyze2(configImage, bandLetter, rec);
    return true;
}

QByteArray buildWriteFrame(const Image& saveImage) {
    QByteArray out;
    out.reserve(frame::kWriteFrameSize);
    out.append(frame::kLineFeed);
    out.append('P');
    for (int k = 1; k <= map::kImageSize; ++k)
        out.append(static_cast<char>(saveImage[k]));
    out.append(4, '\0');
    out.append(frame::kCarriageReturn);
    return out;
}

} // namespace selvana
