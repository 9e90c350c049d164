#pragma once

#include <array>
#include <cstdint>

// The peripheral's 64-byte configuration memory. Byte k of the peripheral is index k of an
// Image; index 0 is never used. Every offset and bit the codec touches is named here once.
namespace selvana::map {

inline constexpr int kImageSize = 64;

// Serial number (read only, carried over on write).
inline constexpr int kSerialFirst = 1;
inline constexpr int kSerialLast = 4;

// Byte 5: flags and bit 16 of the synthesizer word.
inline constexpr int kFlags = 5;
inline constexpr std::uint8_t kFlagsWordBit16 = 0x01;
inline constexpr std::uint8_t kFlagsPower10W = 0x08;
inline constexpr std::uint8_t kFlagsSicepRemap = 0x40;
inline constexpr std::uint8_t kFlagsAlwaysSet = 0x80;
inline constexpr int kFlagsCopy = 8; // byte 5 without bit 7

// Synthesizer word bits 15..0, big-endian, and their copies.
inline constexpr int kWordHigh = 6;
inline constexpr int kWordLow = 7;
inline constexpr int kWordHighCopy = 9;
inline constexpr int kWordLowCopy = 10;

// Bridge lock time in tenths of a second, and its copy.
inline constexpr int kLockTime = 11;
inline constexpr int kLockTimeCopy = 12;

// Byte 15: protocol and transmission options.
inline constexpr int kOptions = 15;
inline constexpr std::uint8_t kOptionsProtocolMask = 0x07;
inline constexpr std::uint8_t kOptionsSendStates = 0x08;
inline constexpr std::uint8_t kOptionsBidirectional = 0x10;
inline constexpr std::uint8_t kOptionsMultipleTx = 0x20;
inline constexpr std::uint8_t kOptionsHighTones = 0x40;

// Transmission path: parameter and marker.
inline constexpr int kPathParameter = 16;
inline constexpr int kPathMarker = 17;
inline constexpr std::uint8_t kPathRepeater = 0xFF;
inline constexpr std::uint8_t kPathBidirectional = 0xFE;
inline constexpr std::uint8_t kPathDirect = 0x00;

inline constexpr int kTxAttempts = 20;
inline constexpr int kTxAttemptsCopy = 21;
inline constexpr int kInputMaskInverted = 22;
inline constexpr int kInputMaskPlain = 23;
inline constexpr int kNetworkHigh = 24;
inline constexpr int kNetworkLow = 25;
inline constexpr int kCodeHigh = 26;
inline constexpr int kCodeLow = 27;

inline constexpr int kInputs = 28;
inline constexpr std::uint8_t kInputsMask = 0x1F;
inline constexpr int kConstFF29 = 29;
inline constexpr int kConst00At30 = 30;

// Byte 33: sub-audio tone and resynchronisation; byte 34 its copy without bits 6 and 7.
inline constexpr int kTone = 33;
inline constexpr std::uint8_t kToneMask = 0x3F;
inline constexpr std::uint8_t kToneNoResync = 0x80;
inline constexpr int kToneCopy = 34;

// Survival cadence in minutes, big-endian; 0xFFFF means survival messages off.
inline constexpr int kSurvivalHigh = 35;
inline constexpr int kSurvivalLow = 36;
inline constexpr int kSurvivalOff = 0xFFFF;

inline constexpr int kIntegratedPanel = 37;
inline constexpr int kMainsFailureInput = 38;
inline constexpr int kSamplingHigh = 39; // mains-failure sampling time, seconds
inline constexpr int kSamplingLow = 40;
inline constexpr int kDoubleMessage = 41;

inline constexpr int kSirenTime = 45;
inline constexpr int kExitTime = 46;
inline constexpr int kEntryTime = 47;
inline constexpr int kConst00At48 = 48;
inline constexpr int kConst00At49 = 49;
inline constexpr int kByte50 = 50;
inline constexpr std::uint8_t kByte50Keep = 0x03;
inline constexpr int kSicepOffset1 = 51;
inline constexpr int kSicepOffset2 = 52;
inline constexpr int kByte53 = 53;
inline constexpr int kByte54 = 54; // written as a copy of byte 53
inline constexpr int kByte55 = 55;
inline constexpr std::uint8_t kByte55Set = 0x24;
inline constexpr int kPowersFirst = 56; // 56..61 hold 1, 2, 4, 8, 16, 32
inline constexpr int kConstFF62 = 62;
inline constexpr int kConstFF63 = 63;
inline constexpr int kChecksum = 64;

// Bytes copied unchanged from the image read into the image written.
inline constexpr std::array<int, 14> kPreserved = {1,  2,  3,  4,  13, 14, 18,
                                                   19, 31, 32, 42, 43, 44, 53};

// Sicep protocol code: its peripheral code is packed BCD.
inline constexpr int kProtocolSicep = 2;

} // namespace selvana::map
