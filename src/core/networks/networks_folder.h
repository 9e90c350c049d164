#pragma once

#include <QString>

namespace selvana {

// Whether a file can be created in the folder, found out by creating and removing one: permission
// bits say nothing of a read-only mount, and nothing at all to root.
bool folderIsWritable(const QString& folder);

// Where the window program in this folder keeps "Reti.cfg": beside itself when it is a copy in a
// folder the user can write (a build, a copy unpacked into a folder of the user's); in the
// per-user data folder, created when missing, when the program is installed
// (isInstalledProgramFolder), whoever runs it, or when its folder is not writable.
QString networksFolder(const QString& programFolder);

} // namespace selvana
