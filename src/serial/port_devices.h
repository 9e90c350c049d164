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
PortError noPortError();
PortError lostPortError(const QString& device);

} // namespace selvana
