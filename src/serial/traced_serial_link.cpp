#include "serial/traced_serial_link.h"

#include <QCoreApplication>

namespace selvana {

namespace {

QByteArray hex(const QByteArray& bytes) {
    return bytes.toHex(' ').toUpper();
}

} // namespace

TracedSerialLink::TracedSerialLink(SerialLink& inner, const QString& tracePath, Clock clock)
    : inner_(inner), clock_(std::move(clock)), file_(tracePath) {
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        traceError_ = file_.errorString();
        return;
    }
    trace("START " + QCoreApplication::applicationName().toUtf8() + ' ' +
          QCoreApplication::applicationVersion().toUtf8());
}

QByteArray TracedSerialLink::line(const QDateTime& when, const QByteArray& what) {
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1() + ' ' + what;
}

void TracedSerialLink::trace(const QByteArray& what) const {
    if (!file_.isOpen())
        return;
    // Flushed line by line: the trace must hold everything up to a crash or a kill.
    if (file_.write(line(clock_(), what) + '\n') < 0 || !file_.flush())
        file_.close();
}

std::optional<PortError> TracedSerialLink::open(const QString& device) {
    auto error = inner_.open(device);
    failureTraced_ = false;
    if (error)
        trace("OPEN-FAILED " + device.toUtf8() + ": " + error->message.toUtf8());
    else
        trace("OPEN " + device.toUtf8());
    return error;
}

void TracedSerialLink::close() {
    const bool wasOpen = inner_.isOpen();
    inner_.close();
    if (wasOpen)
        trace("CLOSE");
}

QByteArray TracedSerialLink::readAll() {
    QByteArray bytes = inner_.readAll();
    if (!bytes.isEmpty())
        trace("RX " + hex(bytes));
    return bytes;
}

bool TracedSerialLink::write(const QByteArray& bytes) {
    const bool written = inner_.write(bytes);
    trace((written ? "TX " : "TX-FAILED ") + hex(bytes));
    return written;
}

std::optional<PortError> TracedSerialLink::failure() const {
    auto failure = inner_.failure();
    if (failure && !failureTraced_) {
        failureTraced_ = true;
        trace("LOST " + failure->device.toUtf8() + ": " + failure->message.toUtf8());
    }
    return failure;
}

std::unique_ptr<TracedSerialLink> serialTrace(SerialLink& port, const QString& tracePath) {
    if (tracePath.isEmpty())
        return nullptr;
    auto traced = std::make_unique<TracedSerialLink>(port, tracePath);
    if (!traced->tracing())
        qWarning("%s: cannot write %s (%s): no trace", kTraceVariable, qPrintable(tracePath),
                 qPrintable(traced->traceError()));
    return traced;
}

} // namespace selvana
