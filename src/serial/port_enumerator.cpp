#include "serial/port_enumerator.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QStringList>

#include <algorithm>

namespace selvana {

namespace {

QString hex4(quint16 value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

DetectedPort detected(const QSerialPortInfo& info) {
    DetectedPort port;
#ifdef Q_OS_WIN
    port.device = info.portName();
#else
    port.device = info.systemLocation();
#endif
    port.description = info.description().trimmed();
    port.manufacturer = info.manufacturer().trimmed();
    if (info.hasVendorIdentifier())
        port.vendorId = info.vendorIdentifier();
    if (info.hasProductIdentifier())
        port.productId = info.productIdentifier();
    port.serialNumber = info.serialNumber().trimmed();
#ifdef Q_OS_LINUX
    const UsbPlace place = usbPlaceInSysfsPath(
        QFileInfo(QStringLiteral("/sys/class/tty/%1/device").arg(info.portName()))
            .canonicalFilePath());
    port.usbPosition = place.position;
    port.usbInterface = place.interface;
#endif
    return port;
}

} // namespace

QList<DetectedPort> SystemPortEnumerator::ports() const {
    QList<DetectedPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports << detected(info);
    std::sort(ports.begin(), ports.end(),
              [](const DetectedPort& a, const DetectedPort& b) { return a.device < b.device; });
    return ports;
}

QList<DetectedPort> adapterCandidates(const QList<DetectedPort>& present) {
    QList<DetectedPort> usb;
    for (const DetectedPort& port : present) {
        if (port.vendorId)
            usb << port;
    }
    return usb.isEmpty() ? present : usb;
}

UsbPlace usbPlaceInSysfsPath(const QString& path) {
    // A USB interface directory is named bus-ports:configuration.interface ("1-1.2:1.0").
    static const QRegularExpression interfaceDir(
        QStringLiteral("^(\\d+-\\d+(?:\\.\\d+)*):(\\d+\\.\\d+)$"));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (auto part = parts.crbegin(); part != parts.crend(); ++part) {
        const auto match = interfaceDir.match(*part);
        if (match.hasMatch())
            return {match.captured(1), match.captured(2)};
    }
    return {};
}

QString describeAdapter(const DetectedPort& port) {
    QStringList details;
    if (!port.manufacturer.isEmpty() &&
        !port.description.contains(port.manufacturer, Qt::CaseInsensitive))
        details << port.manufacturer;
    if (port.vendorId && port.productId)
        details << QStringLiteral("USB %1:%2").arg(hex4(*port.vendorId), hex4(*port.productId));
    if (!port.serialNumber.isEmpty())
        details << QStringLiteral("n. di serie %1").arg(port.serialNumber);
    const QString name =
        port.description.isEmpty() ? QStringLiteral("Porta seriale") : port.description;
    if (details.isEmpty())
        return name;
    return QStringLiteral("%1 (%2)").arg(name, details.join(QStringLiteral(", ")));
}

QString describePort(const DetectedPort& port) {
    return QStringLiteral("%1 — %2").arg(port.device, describeAdapter(port));
}

} // namespace selvana
