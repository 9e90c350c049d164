#pragma once

#include <QString>
#include <QStringList>

namespace selvana {

// Folders that belong to the system's package manager or to its administrator on this platform:
// /usr (with /usr/local), /bin, /sbin and /opt; on Windows the program-files and system folders.
QStringList systemProgramFolders();

// Whether the folder holding the program belongs to an installation rather than to a copy the
// user keeps in a folder of their own. An installed program adds no file beside itself, even
// when it could (root can write anywhere). Installed means: the folder lies in one of
// `systemFolders` (as written or with symbolic links resolved), or it is the "bin" folder of an
// installation prefix, which has a "share" folder beside it (~/.local/bin).
bool isInstalledProgramFolder(const QString& programFolder, const QStringList& systemFolders);

} // namespace selvana
