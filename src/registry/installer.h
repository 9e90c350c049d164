#pragma once

#include <QString>

namespace selvana::registry {

// The settings the register reads, in the program's settings file (application "SelvanaM",
// section "CONFIG").
inline constexpr char kInstallerKey[] = "Installatore"; // the installer's name
inline constexpr char kServerKey[] = "Registro";        // URI of the shared register

// The installer's name: the setting when given, else the system user's login name.
QString installerName();

// The login name of the system user running the program.
QString systemUserName();

// The shared register named in the settings, or an empty text for none.
QString serverSetting();

// "registro.sqlite" in the per-user data folder, beside the backups.
QString defaultRegisterPath();

} // namespace selvana::registry
