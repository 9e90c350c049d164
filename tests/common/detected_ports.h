#pragma once

#include "serial/port_enumerator.h"

#include <QStringList>

namespace selvana::testing {

// A port as the enumerator reports it, written
// "device|vendor:product|serial number|USB position|interface|description|manufacturer";
// fields left out or empty are unknown.
inline DetectedPort portFromText(const QString& text) {
    const QStringList f = text.split(QLatin1Char('|'));
    const auto field = [&f](int i) { return i < f.size() ? f[i] : QString(); };
    DetectedPort port;
    port.device = field(0);
    const QStringList usb = field(1).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (usb.size() == 2) {
        port.vendorId = static_cast<quint16>(usb[0].toUInt(nullptr, 16));
        port.productId = static_cast<quint16>(usb[1].toUInt(nullptr, 16));
    }
    port.serialNumber = field(2);
    port.usbPosition = field(3);
    port.usbInterface = field(4);
    port.description = field(5);
    port.manufacturer = field(6);
    return port;
}

inline QList<DetectedPort> portList(const QStringList& texts) {
    QList<DetectedPort> ports;
    for (const QString& text : texts)
        ports << portFromText(text);
    return ports;
}

// The device of a port of the window that was never assigned one: the system's usual names.
inline QString unassignedDevice(int port) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyUSB%1").arg(port - 1);
#endif
}

// Two common adapters: one with its own chip and a serial number, one of the CDC-ACM class.
inline DetectedPort ftdiAdapter(const QString& device, const QString& serial = "A1B2C3") {
    return portFromText(device + "|0403:6001|" + serial + "|1-1.2|1.0|FT232R USB UART|FTDI");
}
inline DetectedPort acmAdapter(const QString& device) {
    return portFromText(device + "|2341:0043||1-1.3|1.0|Arduino Uno|Arduino (www.arduino.cc)");
}

} // namespace selvana::testing
