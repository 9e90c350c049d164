#include "serial/win32_serial_link.h"

#include "serial/port_devices.h"

#include <windows.h>

namespace selvana {

namespace {

HANDLE asHandle(void* h) {
    return static_cast<HANDLE>(h);
}

QString systemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = length ? QString::fromWCharArray(text, int(length)).trimmed()
                             : QStringLiteral("errore %1").arg(code);
    if (text)
        LocalFree(text);
    return message;
}

PortError openFailure(const QString& device, DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return classifyOpenFailure(device, DeviceFacts{false, false, {}});
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        // Windows opens a COM port for one program at a time and says "access denied" to the
        // next: the port is busy, there are no per-user device rights to grant.
        return classifyOpenFailure(device, DeviceFacts{true, true, {}});
    default:
        return otherOpenFailure(device, systemMessage(code));
    }
}

} // namespace

Win32SerialLink::~Win32SerialLink() {
    close();
}

std::optional<PortError> Win32SerialLink::open(const QString& device) {
    close();
    failure_.reset();
    received_.clear();
    if (device.trimmed().isEmpty())
        return noPortError();
    device_ = device;
    const std::wstring path = windowsDevicePath(device).toStdWString();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return openFailure(device, GetLastError());

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    bool configured = GetCommState(h, &dcb);
    if (configured) {
        dcb.BaudRate = CBR_9600;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE; // a 0x00 byte is data
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fAbortOnError = FALSE;
        configured = SetCommState(h, &dcb);
    }
    // ReadFile returns at once with what the driver holds: the link session polls.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutConstant = 2000;
    configured = configured && SetCommTimeouts(h, &timeouts);
    if (!configured) {
        const QString reason = systemMessage(GetLastError());
        CloseHandle(h);
        return portSettingsRefused(device, reason);
    }
    PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR);
    handle_ = h;
    return std::nullopt;
}

void Win32SerialLink::close() {
    if (handle_) {
        CloseHandle(asHandle(handle_));
        handle_ = nullptr;
    }
}

void Win32SerialLink::lose() {
    if (!failure_)
        failure_ = lostPortError(device_);
    close();
}

void Win32SerialLink::fetch() {
    if (!handle_)
        return;
    char buffer[512];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(asHandle(handle_), buffer, sizeof buffer, &got, nullptr)) {
            lose();
            return;
        }
        if (got == 0)
            return;
        received_.append(buffer, qsizetype(got));
        if (got < sizeof buffer)
            return;
    }
}

qint64 Win32SerialLink::bytesAvailable() {
    fetch();
    return received_.size();
}

QByteArray Win32SerialLink::readAll() {
    fetch();
    QByteArray out;
    out.swap(received_);
    return out;
}

bool Win32SerialLink::write(const QByteArray& bytes) {
    if (!handle_)
        return false;
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        DWORD done = 0;
        if (!WriteFile(asHandle(handle_), bytes.constData() + sent, DWORD(bytes.size() - sent),
                       &done, nullptr)) {
            lose();
            return false;
        }
        if (done == 0)
            return false; // the write timeout ran out: nothing is taking the bytes
        sent += qsizetype(done);
    }
    return true;
}

} // namespace selvana
