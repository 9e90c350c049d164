#include "serial/port_devices.h"

#include "serial/settings_store.h"

#include <QFileInfo>

#ifndef Q_OS_UNIX
#include <QSerialPortInfo>
#endif

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace selvana {

QString defaultDeviceForPort(int portNumber) {
    if (portNumber < 1)
        return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyUSB%1").arg(portNumber - 1);
#endif
}

QString deviceForPort(int portNumber, const SettingsStore& settings) {
    if (portNumber < 1)
        return {};
    const QString configured =
        settings.GetSetting(QStringLiteral("Device%1").arg(portNumber), QString()).trimmed();
    return configured.isEmpty() ? defaultDeviceForPort(portNumber) : configured;
}

QString windowsDevicePath(const QString& device) {
    QString name = device.trimmed();
    if (name.startsWith(QLatin1String("\\\\")))
        return name;
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return QStringLiteral("\\\\.\\") + name;
}

PortError noPortError() {
    return {PortError::Kind::NoPort, QString(),
            QStringLiteral("Nessuna porta seriale configurata: sceglierne una con "
                           "\"Impostazioni\".")};
}

PortError classifyOpenFailure(const QString& device, const DeviceFacts& facts) {
    if (!facts.exists) {
        return {PortError::Kind::Absent, device,
                QStringLiteral("La porta %1 non esiste: verificare che l'adattatore sia "
                               "collegato oppure scegliere un'altra porta con \"Impostazioni\".")
                    .arg(device)};
    }
    if (!facts.accessible) {
        const QString group = facts.group.isEmpty() ? QStringLiteral("dialout") : facts.group;
        return {PortError::Kind::PermissionDenied, device,
                QStringLiteral("Permesso negato sulla porta %1: aggiungere l'utente al gruppo "
                               "\"%2\" (sudo usermod -aG %2 $USER), poi uscire e rientrare nella "
                               "sessione.")
                    .arg(device, group)};
    }
    return {PortError::Kind::Busy, device,
            QStringLiteral("La porta %1 è occupata da un altro programma: chiuderlo e riprovare.")
                .arg(device)};
}

PortError diagnoseOpenFailure(const QString& device, [[maybe_unused]] const QString& systemReason) {
#ifdef Q_OS_UNIX
    // Qt reports a busy port and a missing permission alike; the device file tells them apart.
    const QByteArray path =
        QFileInfo(device).isAbsolute() ? device.toLocal8Bit() : ("/dev/" + device).toLocal8Bit();
    DeviceFacts facts;
    struct stat info {};
    facts.exists = ::stat(path.constData(), &info) == 0;
    if (facts.exists) {
        facts.accessible = ::access(path.constData(), R_OK | W_OK) == 0;
        if (const struct group* owner = ::getgrgid(info.st_gid))
            facts.group = QString::fromLocal8Bit(owner->gr_name);
    }
    return classifyOpenFailure(device, facts);
#else
    // A port the system does not list is absent; a listed one that fails is in use or refused.
    bool listed = false;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        listed = listed || info.portName().compare(device, Qt::CaseInsensitive) == 0;
    if (!listed)
        return classifyOpenFailure(device, DeviceFacts{});
    return otherOpenFailure(device, systemReason);
#endif
}

PortError otherOpenFailure(const QString& device, const QString& systemReason) {
    return {PortError::Kind::Other, device,
            QStringLiteral("Impossibile aprire la porta %1 (%2): verificare il collegamento o "
                           "scegliere un'altra porta con \"Impostazioni\".")
                .arg(device, systemReason)};
}

PortError portSettingsRefused(const QString& device, const QString& systemReason) {
    return {PortError::Kind::Other, device,
            QStringLiteral("La porta %1 non accetta le impostazioni 9600,N,8,1 (%2). "
                           "Scegliere un'altra porta con \"Impostazioni\".")
                .arg(device, systemReason)};
}

} // namespace selvana
