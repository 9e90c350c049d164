#pragma once

#include "core/link/serial_link.h"

namespace selvana {

// The serial link on the Win32 communications API, for the Windows programs: a blocking-free
// ReadFile polled by the link session, never an event wait. QSerialPort waits for EV_RXCHAR,
// which some drivers never raise (Wine's COM ports on a pseudo-terminal among them).
class Win32SerialLink : public SerialLink {
public:
    Win32SerialLink() = default;
    ~Win32SerialLink() override;
    Win32SerialLink(const Win32SerialLink&) = delete;
    Win32SerialLink& operator=(const Win32SerialLink&) = delete;

    std::optional<PortError> open(const QString& device) override;
    void close() override;
    bool isOpen() const override { return handle_ != nullptr; }
    qint64 bytesAvailable() override;
    QByteArray readAll() override;
    bool write(const QByteArray& bytes) override;
    std::optional<PortError> failure() const override { return failure_; }

private:
    void fetch();
    void lose();

    void* handle_ = nullptr; // a HANDLE, without <windows.h> in every user of the link
    QString device_;
    QByteArray received_;
    std::optional<PortError> failure_;
};

} // namespace selvana
