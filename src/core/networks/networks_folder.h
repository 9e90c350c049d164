#pragma once

#include <QString>

namespace selvana {

// Whether a file can be created in the folder, found out by creating and removing one: permission
// bits say nothing of a read-only mount, and nothing at all to root.
bool folderIsWritable(const QString& folder);

// Where the window program in this folder keeps "Reti.cfg": beside itself when its folder is
// writable (a copy unpacked into a folder of the user's), otherwise in the per-user data folder
// (installed system-wide), which is created when missing.
QString networksFolder(const QString& programFolder);

} // namespace selvana
