#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace selvana {

// Why a port could not be used, in words an installer can act on.
struct PortError {
    enum class Kind { NoPort, Absent, Busy, PermissionDenied, Lost, Other };
    Kind kind = Kind::Other;
    QString device;
    QString message; // Italian, says what to do
};

// An open port that stopped working (device unplugged, other end closed).
PortError lostPortError(const QString& device);

// What the link needs of a serial port: 9600 baud, 8 data bits, no parity, 1 stop bit, no flow
// control; polled, never event-driven; every byte value passes unchanged both ways.
class SerialLink {
public:
    virtual ~SerialLink() = default;
    virtual std::optional<PortError> open(const QString& device) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual qint64 bytesAvailable() = 0;
    virtual QByteArray readAll() = 0;
    virtual bool write(const QByteArray& bytes) = 0;
    // Set once an open port stopped working (device unplugged, other end closed).
    virtual std::optional<PortError> failure() const = 0;
};

} // namespace selvana
