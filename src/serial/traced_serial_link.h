#pragma once

#include "core/link/serial_link.h"

#include <QDateTime>
#include <QFile>

#include <functional>
#include <memory>

namespace selvana {

// For support: a serial link that appends every byte sent and received to a file, one line per
// transfer with its time and the bytes in hex, and passes everything through unchanged. A trace
// file that cannot be written ends the trace, never the link.
class TracedSerialLink : public SerialLink {
public:
    using Clock = std::function<QDateTime()>;

    TracedSerialLink(SerialLink& inner, const QString& tracePath,
                     Clock clock = &QDateTime::currentDateTime);

    bool tracing() const { return file_.isOpen(); }
    QString traceError() const { return traceError_; }

    std::optional<PortError> open(const QString& device) override;
    void close() override;
    bool isOpen() const override { return inner_.isOpen(); }
    qint64 bytesAvailable() override { return inner_.bytesAvailable(); }
    QByteArray readAll() override;
    bool write(const QByteArray& bytes) override;
    std::optional<PortError> failure() const override;

    // One line as the file holds it, without its line end.
    static QByteArray line(const QDateTime& when, const QByteArray& what);

private:
    void trace(const QByteArray& what) const;

    SerialLink& inner_;
    Clock clock_;
    mutable QFile file_;
    QString traceError_;
    mutable bool failureTraced_ = false;
};

// The environment variable that names the trace file; unset or empty means no trace.
inline constexpr char kTraceVariable[] = "SELVANA_TRACE";

// The trace over the real port when tracePath names a file; none otherwise. A file that cannot
// be written is reported once on stderr.
std::unique_ptr<TracedSerialLink> serialTrace(SerialLink& port, const QString& tracePath);

} // namespace selvana
