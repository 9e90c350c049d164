#include "registry/installer.h"

#include <QSettings>
#include <QStandardPaths>

namespace selvana::registry {

namespace {

// The program's settings file, as SettingsStore (serial layer, out of this layer's reach)
// opens it.
QString setting(const char* key) {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("SelvanaM"),
                       QStringLiteral("SelvanaM"));
    return settings.value(QStringLiteral("CONFIG/") + QLatin1String(key)).toString().trimmed();
}

} // namespace

QString systemUserName() {
    for (const char* variable : {"USER", "USERNAME", "LOGNAME"}) {
        const QString name = qEnvironmentVariable(variable).trimmed();
        if (!name.isEmpty())
            return name;
    }
    return QStringLiteral("sconosciuto");
}

QString installerName() {
    const QString name = setting(kInstallerKey);
    return name.isEmpty() ? systemUserName() : name;
}

QString serverSetting() {
    return setting(kServerKey);
}

QString defaultRegisterPath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return base.isEmpty() ? QStringLiteral("registro.sqlite")
                          : base + QStringLiteral("/registro.sqlite");
}

} // namespace selvana::registry
