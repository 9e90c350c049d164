#include "serial/port_slots.h"

#include "serial/port_devices.h"
#include "serial/settings_store.h"

#include <QFileInfo>

namespace selvana {

namespace {

QString hex4(quint16 value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

QString deviceKey(int portNumber) {
    return QStringLiteral("Device%1").arg(portNumber);
}

QString identityKey(int portNumber) {
    return QStringLiteral("DeviceId%1").arg(portNumber);
}

int indexOfDevice(const QList<DetectedPort>& present, const QString& device,
                  const QString& resolved) {
    for (int i = 0; i < present.size(); ++i) {
        if (present[i].device == device || (!resolved.isEmpty() && present[i].device == resolved))
            return i;
    }
    return -1;
}

// The device with its symbolic links followed, when it is a file that exists.
QString resolvedDevice(const QString& device) {
    const QFileInfo info(device);
    if (!info.isAbsolute() || !info.isSymLink())
        return {};
    const QString target = info.canonicalFilePath();
    return target == device ? QString() : target;
}

} // namespace

QString slotName(int portNumber) {
    return QStringLiteral("Com %1:").arg(portNumber, 2, 10, QLatin1Char('0'));
}

QString adapterIdentity(const DetectedPort& port) {
    if (!port.vendorId || !port.productId)
        return {};
    QString identity = hex4(*port.vendorId) + QLatin1Char(':') + hex4(*port.productId);
    if (!port.serialNumber.isEmpty())
        identity += QStringLiteral(" sn=") + port.serialNumber;
    else if (!port.usbPosition.isEmpty())
        identity += QStringLiteral(" usb=") + port.usbPosition;
    else
        return {}; // any adapter of the same model would pass for it
    if (!port.usbInterface.isEmpty())
        identity += QStringLiteral(" if=") + port.usbInterface;
    return identity;
}

SlotMatch matchSlot(const SlotAssignment& slot, const QList<DetectedPort>& present,
                    const QString& resolved) {
    using State = SlotMatch::State;
    const int named = indexOfDevice(present, slot.device, resolved);
    if (slot.identity.isEmpty())
        return {named >= 0 ? State::Listed : State::Unlisted, slot.device, named};

    QList<int> same;
    for (int i = 0; i < present.size(); ++i) {
        if (adapterIdentity(present[i]) == slot.identity)
            same << i;
    }
    if (named >= 0 && same.contains(named))
        return {State::Listed, slot.device, named};
    if (same.size() == 1)
        return {State::Moved, present[same.first()].device, same.first()};
    if (same.size() > 1)
        return {State::Ambiguous, slot.device, named};
    return {named >= 0 ? State::Replaced : State::Missing, slot.device, named};
}

SlotMatch locateSlot(const SlotAssignment& slot, const QList<DetectedPort>& present) {
    return matchSlot(slot, present, resolvedDevice(slot.device));
}

QString slotSummary(const SlotAssignment& slot, const SlotMatch& match,
                    const QList<DetectedPort>& present) {
    using State = SlotMatch::State;
    const QString adapter = match.port >= 0 && match.port < present.size()
                                ? describeAdapter(present[match.port])
                                : QString();
    switch (match.state) {
    case State::Listed:
        return QStringLiteral("%1 — %2").arg(match.device, adapter);
    case State::Moved:
        return QStringLiteral("%1 — %2 (era %3)").arg(match.device, adapter, slot.device);
    case State::Missing:
        return QStringLiteral("%1 — adattatore non collegato").arg(match.device);
    case State::Replaced:
        return QStringLiteral("%1 — ora è un altro adattatore: %2").arg(match.device, adapter);
    case State::Ambiguous:
        return QStringLiteral("%1 — più adattatori uguali collegati: assegnarne uno")
            .arg(match.device);
    case State::Unlisted:
        break;
    }
    return QStringLiteral("%1 (non rilevata)").arg(match.device);
}

QString movedNote(int portNumber, const SlotAssignment& before, const SlotMatch& match,
                  const QList<DetectedPort>& present) {
    const QString adapter = match.port >= 0 && match.port < present.size()
                                ? describeAdapter(present[match.port])
                                : QStringLiteral("Porta seriale");
    return QStringLiteral("L'adattatore di %1 %2 era %3, ora è %4.")
        .arg(slotName(portNumber), adapter, before.device, match.device);
}

SlotAssignment storedSlot(int portNumber, const SettingsStore& settings) {
    return {deviceForPort(portNumber, settings),
            settings.GetSetting(identityKey(portNumber), QString()).trimmed()};
}

void storeSlot(int portNumber, const SlotAssignment& slot, SettingsStore& settings) {
    settings.SaveSetting(deviceKey(portNumber), slot.device);
    settings.SaveSetting(identityKey(portNumber), slot.identity);
}

SlotAssignment assignmentFor(const QString& device, const QList<DetectedPort>& present) {
    const QString name = device.trimmed();
    const int index = indexOfDevice(present, name, resolvedDevice(name));
    return {name, index >= 0 ? adapterIdentity(present[index]) : QString()};
}

SlotMatch followSlot(int portNumber, SettingsStore& settings, const QList<DetectedPort>& present) {
    const SlotAssignment slot = storedSlot(portNumber, settings);
    const SlotMatch match = locateSlot(slot, present);
    if (match.state == SlotMatch::State::Moved)
        storeSlot(portNumber, {match.device, slot.identity}, settings);
    return match;
}

} // namespace selvana
