#include "serial/system_serial_link.h"
#include "serial/port_devices.h"

namespace selvana {

std::optional<PortError> testOpen(const QString& device) {
    SystemSerialLink link;
    auto error = link.open(device);
    link.close();
    return error;
}

} // namespace selvana
