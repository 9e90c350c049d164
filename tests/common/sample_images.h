#pragma once

#include "core/image/config_record.h"
#include "core/link/frame_codec.h"

#include <QByteArray>

namespace selvana::testing {

// Image from 64 bytes written as hex (blanks allowed); byte 64 is recomputed when fixChecksum.
inline Image imageFromHex(const char* hex, bool fixChecksum = true) {
    const QByteArray raw = QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
    Q_ASSERT(raw.size() == 64);
    Image image{};
    for (int k = 1; k <= 64; ++k)
        image[k] = static_cast<std::uint8_t>(raw[k - 1]);
    if (fixChecksum)
        image[64] = CalcolaCKSSave(image);
    return image;
}

// A VHF Proteus-X peripheral at 156.0 MHz, 10 W, repeater 7 with double hop, network 12, code
// 300, 4 inputs, tone 5, survival every 24 h, panel with input 5 on mains failure, offsets 200
// and 5. Every field is in range, so only bytes 50, 54 and 55 change on an unedited write.
inline Image sampleProteusX() {
    return imageFromHex("1234ABCD 88618008 61801919 5AA56107 FF112203 03FE0100 0C012C04"
                        "FF003344 050505A0 0110012C 01556677 1E140A00 00FFC805 99000001"
                        "02040810 20FFFF00");
}

// A Sicep peripheral (UHF 433.92 MHz): BCD code 1234, 6 inputs, states, direct path.
inline Image sampleSicep() {
    return imageFromHex("00000001 C10F1A41 0F1A0A0A 00004A00 00000001 01FF0000 00123406"
                        "FF000000 0000FFFF 00000000 00000000 00000000 00000A14 00000001"
                        "02040810 20FFFF00");
}

inline QByteArray readFrame(const Image& image, char type = 'X') {
    QByteArray frame;
    frame.append('\n');
    frame.append(type);
    for (int k = 1; k <= 64; ++k)
        frame.append(static_cast<char>(image[k]));
    frame.append(QByteArray((type == 'X' ? 79 : 71) - frame.size(), '\r'));
    return frame;
}

} // namespace selvana::testing
