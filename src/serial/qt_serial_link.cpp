#include "serial/qt_serial_link.h"

#include "serial/port_devices.h"

namespace selvana {

QtSerialLink::QtSerialLink() {
    QObject::connect(&port_, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError e) {
        // A device that went away (adapter unplugged, other end closed) keeps raising read
        // errors while the port stays "open": close it at the first one and remember why.
        const bool broken = e == QSerialPort::ResourceError || e == QSerialPort::ReadError ||
                            e == QSerialPort::WriteError;
        if (!broken || !port_.isOpen() || failure_)
            return;
        failure_ = lostPortError(device_);
        port_.close();
    });
}

QtSerialLink::~QtSerialLink() {
    close();
}

std::optional<PortError> QtSerialLink::open(const QString& device) {
    close();
    failure_.reset();
    if (device.isEmpty())
        return noPortError();
    device_ = device;
    port_.setPortName(device);
    if (!port_.open(QIODevice::ReadWrite))
        return diagnoseOpenFailure(device, port_.errorString());
    // Settings after open: QSerialPort applies them to the open device.
    const bool configured =
        port_.setBaudRate(QSerialPort::Baud9600) && port_.setDataBits(QSerialPort::Data8) &&
        port_.setParity(QSerialPort::NoParity) && port_.setStopBits(QSerialPort::OneStop) &&
        port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        const QString reason = port_.errorString();
        port_.close();
        return portSettingsRefused(device, reason);
    }
    return std::nullopt;
}

void QtSerialLink::close() {
    if (port_.isOpen())
        port_.close();
}

bool QtSerialLink::isOpen() const {
    return port_.isOpen();
}

qint64 QtSerialLink::bytesAvailable() {
    // Polled without an event loop turn in between: let the port fetch what the driver holds.
    if (port_.isOpen())
        port_.waitForReadyRead(0);
    return port_.bytesAvailable();
}

QByteArray QtSerialLink::readAll() {
    return port_.readAll();
}

bool QtSerialLink::write(const QByteArray& bytes) {
    if (!port_.isOpen())
        return false;
    if (port_.write(bytes) != bytes.size())
        return false;
    port_.flush();
    return true;
}

} // namespace selvana
