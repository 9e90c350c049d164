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

// The name Windows opens for a device as the installer typed it: "COM12" (or "com12:")
// becomes "\\.\COM12", which every port number needs from COM10 on; a name already in that
// form stays as it is.
QString windowsDevicePath(const QString& device);

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
// A device that would not open for another reason, in the system's words.
PortError otherOpenFailure(const QString& device, const QString& systemReason);
// A device that opened but refused 9600,N,8,1.
PortError portSettingsRefused(const QString& device, const QString& systemReason);

// Opens and closes a device once with the system's link, as the port window's test does.
std::optional<PortError> testOpen(const QString& device);

} // namespace selvana
