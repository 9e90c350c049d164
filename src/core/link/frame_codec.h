#pragma once

#include "core/image/checksum.h"
#include "core/image/config_record.h"

#include <QByteArray>
#include <QString>

namespace selvana {

// Read frame: line feed, "X" or "D", image bytes 1..64 (the checksum byte is not verified).
// Write frame: line feed, "P", image bytes 1..64, four zero bytes, carriage return.
namespace frame {
inline constexpr char kLineFeed = '\n';
inline constexpr char kCarriageReturn = '\r';
inline constexpr int kImageStart = 2; // offset of image byte 1 in a frame
inline constexpr int kReadFrameMinimum = kImageStart + 64;
inline constexpr int kWriteFrameSize = 71;
inline constexpr int kFrameLengthX = 79; // what the link waits for before decoding
inline constexpr int kFrameLengthD = 71;
} // namespace frame

// True for a frame whose second byte is "X" or "D" and that holds all 64 image bytes.
bool isReadFrame(const QByteArray& frame);

// Stores the frame's 64 bytes into configImage (byte 0 untouched), sets rec.SerialNumber and
// decodes the rest with Analyze2. Anything that is not a complete read frame changes nothing
// and returns false.
bool Analyze(const QByteArray& frame, const QString& bandLetter, Image& configImage,
             ConfigRecord& rec);

// Eight upper-case hex digits of image bytes 1..4.
QString serialNumberOf(const Image& image);

// The 71-byte write frame of an assembled image.
QByteArray buildWriteFrame(const Image& saveImage);

} // namespace selvana
