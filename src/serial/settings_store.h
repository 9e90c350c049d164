#pragma once

#include <QString>

#include <cstdint>

namespace selvana {

// The per-user settings store: application "SelvanaM", section "CONFIG".
class SettingsStore {
public:
    static constexpr const char* kApplication = "SelvanaM";
    static constexpr const char* kSection = "CONFIG";

    // The file that holds the settings (~/.config/SelvanaM/SelvanaM.ini on Linux).
    static QString filePath();

    QString GetSetting(const QString& key, const QString& defaultValue) const;
    void SaveSetting(const QString& key, const QString& value);

    // "Port" as a port number: blanks trimmed; missing, not a number or outside 0..4 gives 0.
    std::int16_t storedPortNumber() const;
};

} // namespace selvana
