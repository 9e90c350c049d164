#pragma once

#include <QString>

namespace selvana {

// The 17-bit synthesizer word counts 12.5 kHz channels above 146.0 MHz (VHF, base word 0x5B20)
// or 400.0 MHz (UHF, base word 0xFA00), with bit 6 of the offset never part of the number.
// A VHF word reaches 174.0 MHz (0x6CA0) at most: a frequency outside 146.0 to 174.0 MHz below
// the UHF band is written as a word that reads back as another frequency.
inline constexpr double kVhfBaseMHz = 146.0;
inline constexpr double kVhfTopMHz = 174.0;
inline constexpr double kUhfBaseMHz = 400.0;

// Frequency in MHz from hexadecimal text; only the last four digits count.
double DecodificaFrequenza(const QString& hexText);

// Six upper-case hex digits: "00" or "01" (bit 16 of the word), then bits 15..0.
QString CodificaFrequenza(double frequencyMHz);

} // namespace selvana
