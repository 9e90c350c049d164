#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace selvana {

// A serial port the system reports as present, with what the adapter says of itself.
struct DetectedPort {
    QString device; // as opened: /dev/ttyUSB0 on Linux, COM5 on Windows
    QString description;
    QString manufacturer;
    std::optional<quint16> vendorId; // USB adapters only
    std::optional<quint16> productId;
    QString serialNumber; // the adapter's USB serial number, when it has one
    QString usbPosition;  // the USB bus and ports it hangs from ("1-1.2"), when known
    QString usbInterface; // configuration.interface ("1.0"): multi-port adapters share a serial

    bool operator==(const DetectedPort&) const = default;
};

// The serial ports present now. The window asks again every second, so plugging and
// unplugging show without a restart; tests script adapters appearing, vanishing and renamed.
class PortEnumerator {
public:
    virtual ~PortEnumerator() = default;
    virtual QList<DetectedPort> ports() const = 0;
};

// The system's ports, through QSerialPortInfo; on Linux the USB position comes from sysfs.
class SystemPortEnumerator : public PortEnumerator {
public:
    QList<DetectedPort> ports() const override;
};

// A list set by its owner: the screenshots and the tests.
class ListedPorts : public PortEnumerator {
public:
    ListedPorts() = default;
    explicit ListedPorts(QList<DetectedPort> ports) : ports_(std::move(ports)) {}
    QList<DetectedPort> ports() const override { return ports_; }
    void set(QList<DetectedPort> ports) { ports_ = std::move(ports); }

private:
    QList<DetectedPort> ports_;
};

// One line for the installer: description, maker, USB identifiers and serial number, without
// the device ("FT232R USB UART (FTDI, USB 0403:6001, n. di serie A1B2C3)").
QString describeAdapter(const DetectedPort& port);

// The device followed by that description.
QString describePort(const DetectedPort& port);

// The ports a peripheral is likely on, when nothing says which: the USB adapters when any is
// present (a motherboard port is listed whether or not anything hangs from it), else them all.
QList<DetectedPort> adapterCandidates(const QList<DetectedPort>& present);

// The USB position and interface in the sysfs path of a tty's device
// (".../usb1/1-1/1-1.2/1-1.2:1.0/ttyUSB0" gives "1-1.2" and "1.0"); empty when not USB.
struct UsbPlace {
    QString position;
    QString interface;
};
UsbPlace usbPlaceInSysfsPath(const QString& path);

} // namespace selvana
