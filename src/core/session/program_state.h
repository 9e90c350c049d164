#pragma once

#include "core/image/config_record.h"
#include "core/networks/network_list.h"

#include <QString>

#include <cstdint>

namespace selvana {

// Everything the program shares between its windows and its link for one run of the program:
// created zeroed at start (but keyAccepted) and alive until exit.
struct ProgramState {
    QString BandLetter;          // "V", "U" or "" from the command line
    std::uint8_t FirmwareM6 = 0; // 1 when the peripheral announced "K"
    std::int16_t PortNumber = 0; // 1..4, 0 for none
    bool LoadingReti = false;    // true only while the networks grid is refilled
    bool KeyAccepted = true;     // the key filter's verdict on the last key typed
    Image ConfigImage{};         // as read or imported
    Image SaveImage{};           // as assembled for writing or export
    ConfigRecord record;         // includes SerialNumber
    NetworkList networkList;
};

} // namespace selvana
