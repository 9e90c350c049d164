#pragma once

#include "core/link/serial_link.h"

#include <QSerialPort>

namespace selvana {

// The serial link on QSerialPort.
class QtSerialLink : public SerialLink {
public:
    QtSerialLink();
    ~QtSerialLink() override;

    std::optional<PortError> open(const QString& device) override;
    void close() override;
    bool isOpen() const override;
    qint64 bytesAvailable() override;
    QByteArray readAll() override;
    bool write(const QByteArray& bytes) override;
    std::optional<PortError> failure() const override { return failure_; }

private:
    QSerialPort port_;
    QString device_;
    std::optional<PortError> failure_;
};

} // namespace selvana
