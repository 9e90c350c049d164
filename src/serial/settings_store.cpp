#include "serial/settings_store.h"

#include <QSettings>

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
    return open()->fileName();
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
    return (ok && port >= 0 && port <= 4) ? static_cast<std::int16_t>(port) : 0;
}

} // namespace selvana
