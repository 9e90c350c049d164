#pragma once

#include "core/image/config_record.h"
#include "core/networks/network_list.h"

#include <QString>

#include <cstdint>

namespace selvana {

// The data of one session with peripherals that the editor's rules, the link and the
// configuration files share; created zeroed and alive as long as the session.
struct SessionData {
    QString BandLetter;          // "V", "U" or "" from the command line
    std::uint8_t FirmwareM6 = 0; // 1 when the peripheral announced "K"
    Image ConfigImage{};         // as read or imported
    Image ReadImage{};           // as the peripheral last sent it, whatever was imported since
    bool peripheralRead = false; // ReadImage holds a read
    Image SaveImage{};           // as assembled for writing or export
    ConfigRecord record;         // includes SerialNumber
    NetworkList networkList;

    // A configuration just read from a peripheral becomes the one of the session: its image,
    // serial number and decoded record.
    void takeRead(const Image& image);
};

} // namespace selvana
