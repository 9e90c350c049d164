#pragma once

#include "core/image/config_record.h"
#include "core/image/memory_map.h"
#include "core/link/frame_codec.h"

#include <QByteArray>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace selvana::fuzz {

// A broken property is a finding: say which one and abort, so libFuzzer keeps the input.
[[noreturn]] inline void fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::fputs("FUZZ PROPERTY BROKEN: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
    std::abort();
}

#define FUZZ_CHECK(condition, ...)                                                                 \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::selvana::fuzz::fail(__VA_ARGS__);                                                    \
    } while (false)

// The fuzzer's input read front to back; past its end every read gives zeros.
class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool atEnd() const { return pos_ >= size_; }
    std::uint8_t byte() { return atEnd() ? 0 : data_[pos_++]; }
    QByteArray take(std::size_t n) {
        n = std::min(n, size_ - std::min(pos_, size_));
        const QByteArray bytes(reinterpret_cast<const char*>(data_ + pos_),
                               static_cast<qsizetype>(n));
        pos_ += n;
        return bytes;
    }
    Image image() {
        Image image{};
        for (int k = 1; k <= map::kImageSize; ++k)
            image[k] = byte();
        return image;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// What every image the assembler returns must hold, whatever the record: the constant bytes,
// the copies, the bytes kept from the image read, a path marker the peripheral knows, and the
// checksum.
inline void checkAssembled(const Image& s, const Image& pre) {
    using namespace map;
    for (int k : kPreserved)
        FUZZ_CHECK(s[k] == pre[k], "preserved byte %d changed", k);
    FUZZ_CHECK(s[kFlags] & kFlagsAlwaysSet, "byte 5 without bit 7");
    FUZZ_CHECK(s[kFlagsCopy] == (s[kFlags] & 0x7F), "byte 8 is not byte 5 without bit 7");
    FUZZ_CHECK(s[kWordHighCopy] == s[kWordHigh] && s[kWordLowCopy] == s[kWordLow],
               "frequency word copies differ");
    FUZZ_CHECK(s[kLockTimeCopy] == s[kLockTime], "lock time copy differs");
    FUZZ_CHECK(s[kTxAttemptsCopy] == s[kTxAttempts], "attempts copy differs");
    FUZZ_CHECK(s[kConstFF29] == 0xFF && s[kConst00At30] == 0x00, "bytes 29/30 not FF/00");
    FUZZ_CHECK(s[kToneCopy] == (s[kTone] & 0x3F), "tone copy differs");
    FUZZ_CHECK(s[kConst00At48] == 0 && s[kConst00At49] == 0, "bytes 48/49 not 0");
    FUZZ_CHECK(s[kByte50] == (pre[kByte50] & kByte50Keep), "byte 50 wrong");
    FUZZ_CHECK(s[kByte54] == pre[kByte53], "byte 54 is not byte 53 read");
    FUZZ_CHECK(s[kByte55] == (pre[kByte55] | kByte55Set), "byte 55 wrong");
    for (int i = 0; i < 6; ++i)
        FUZZ_CHECK(s[kPowersFirst + i] == (1 << i), "byte %d not %d", kPowersFirst + i, 1 << i);
    FUZZ_CHECK(s[kConstFF62] == 0xFF && s[kConstFF63] == 0xFF, "bytes 62/63 not FF");
    const std::uint8_t marker = s[kPathMarker];
    FUZZ_CHECK(marker == kPathRepeater || marker == kPathBidirectional || marker == kPathDirect,
               "unknown path marker %02X", marker);
    FUZZ_CHECK(marker != kPathDirect || s[kPathParameter] == 0, "direct path with a parameter");
    const int survival = s[kSurvivalHigh] * 256 + s[kSurvivalLow];
    FUZZ_CHECK(survival == kSurvivalOff || survival <= 32767, "survival %d minutes", survival);
    unsigned sum = 0;
    for (int k = 1; k <= 63; ++k)
        sum += s[k];
    FUZZ_CHECK(s[kChecksum] == (sum & 0xFF), "checksum %02X, sum %02X", s[kChecksum], sum & 0xFF);
}

// A write frame as it must leave for the peripheral, carrying an image assembled from `pre`.
inline void checkWriteFrame(const QByteArray& f, const Image& pre) {
    FUZZ_CHECK(f.size() == frame::kWriteFrameSize, "write frame of %d bytes", int(f.size()));
    FUZZ_CHECK(f[0] == '\n' && f[1] == 'P', "write frame does not start with LF P");
    const int zeros = frame::kImageStart + map::kImageSize;
    for (int i = zeros; i < zeros + 4; ++i)
        FUZZ_CHECK(f[i] == '\0', "write frame byte %d not zero", i + 1);
    FUZZ_CHECK(f[frame::kWriteFrameSize - 1] == '\r', "write frame without CR");
    Image image{};
    for (int k = 1; k <= map::kImageSize; ++k)
        image[k] = static_cast<std::uint8_t>(f[frame::kImageStart + k - 1]);
    checkAssembled(image, pre);
}

} // namespace selvana::fuzz
