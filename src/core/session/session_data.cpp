#include "core/session/session_data.h"

#include "core/image/config_decoder.h"
#include "core/image/memory_map.h"
#include "core/link/frame_codec.h"

namespace selvana {

void SessionData::takeRead(const Image& image) {
    for (int k = 1; k <= map::kImageSize; ++k)
        ConfigImage[k] = image[k];
    ReadImage = ConfigImage;
    peripheralRead = true;
    record.SerialNumber = serialNumberOf(ConfigImage);
    Analyze2(ConfigImage, BandLetter, record);
}

} // namespace selvana
