#pragma once

#include "core/image/config_record.h"

namespace selvana {

// Decodes bytes 5..52 of the image into the record (all fields but SerialNumber). The band letter
// given at start-up ("U" or "V") overrides the decoded frequency. SpontaneaIngresso keeps its
// previous value when byte 38 is 0. Nothing is validated or clamped, with one exception: a
// peripheral code the record cannot hold decodes as 0, which the editor shows as invalid.
void Analyze2(const Image& image, const QString& bandLetter, ConfigRecord& rec);

// The peripheral code of bytes 26-27: packed BCD under Sicep, plain big-endian otherwise.
// Returns 0 for a BCD nibble above 9 or a plain value above 32767.
std::int16_t decodePeripheralCode(std::uint8_t high, std::uint8_t low, int protocol);

} // namespace selvana
