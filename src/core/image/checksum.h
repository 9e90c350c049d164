#pragma once

#include "core/image/config_record.h"

#include <cstdint>

namespace selvana {

// 8-bit sum of image bytes 1..63: the checksum the peripheral expects in byte 64.
std::uint8_t CalcolaCKSSave(const Image& saveImage);

// High and low byte of the low 16 bits of a value.
std::uint8_t CalcolaMSB(std::int32_t value);
std::uint8_t CalcolaLSB(std::int32_t value);

} // namespace selvana
