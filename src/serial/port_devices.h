#pragma once

#include "core/link/serial_link.h"

#include <QString>

namespace selvana {

class SettingsStore;

// Port numbers 1..4 are what the installer chooses and what is stored. Each maps to a host
// device: "COMn" on Windows, /dev/ttyUSB(n-1) elsewhere, unless the settings store names
// another device under "Device<n>" in section "CONFIG".
QString defaultDeviceForPort(int portNumber);
QString deviceForPort(int portNumber, const SettingsStore& settings);

// Tells apart a device that is absent, busy, or not accessible to this user.
PortError diagnoseOpenFailure(const QString& device, const QString& systemReason);

// What the system says of a device that would not open, and the reason given to the installer.
struct DeviceFacts {
    bool exists = false;
    bool accessible = false; // this user may read and write it
    QString group;           // the group that owns it; empty when unknown
};
PortError classifyOpenFailure(const QString& device, const DeviceFacts& facts);
PortError noPortError();

} // namespace selvana
