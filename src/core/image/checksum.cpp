#include "core/image/checksum.h"

namespace selvana {

std::uint8_t CalcolaCKSSave(const Image& saveImage) {
    unsigned sum = 0;
    for (int i = 1; i <= 63; ++i)
        sum = (sum + saveImage[i]) % 256;
    return static_cast<std::uint8_t>(sum);
}

std::uint8_t CalcolaMSB(std::int32_t value) {
    return static_cast<std::uint8_t>((static_cast<std::uint32_t>(value) >> 8) & 0xFF);
}

std::uint8_t CalcolaLSB(std::int32_t value) {
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) & 0xFF);
}

} // namespace selvana
