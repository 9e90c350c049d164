#include "serial/settings_store.h"

#include "core/session/program_state.h"

#include <QSettings>
#include <QStandardPaths>

#include <memory>

namespace selvana {

namespace {
QString qualified(const QString& key) {
    return QLatin1String(SettingsStore::kSection) + QLatin1Char('/') + key;
}
std::unique_ptr<QSettings> open() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QLatin1String(SettingsStore::kApplication),
                                       QLatin1String(SettingsStore::kApplication));
}
} // namespace

QString SettingsStore::filePath() {
#ifdef Q_OS_WIN
    return open()->fileName();
#else
    // Where QSettings puts it, without making the folder absolute: with HOME set to "~" this
    // reads as every user knows it.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/%1/%1.ini").arg(QLatin1String(kApplication));
#endif
}

QString SettingsStore::GetSetting(const QString& key, const QString& defaultValue) const {
    const QVariant value = open()->value(qualified(key));
    return value.isValid() ? value.toString() : defaultValue;
}

void SettingsStore::SaveSetting(const QString& key, const QString& value) {
    const auto settings = open();
    settings->setValue(qualified(key), value);
    settings->sync();
}

std::int16_t SettingsStore::storedPortNumber() const {
    bool ok = false;
    const int port = GetSetting(QStringLiteral("Port"), QStringLiteral("0")).trimmed().toInt(&ok);
    return (ok && port >= 0 && port <= kPortCount) ? static_cast<std::int16_t>(port) : 0;
}

} // namespace selvana
