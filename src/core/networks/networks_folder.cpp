#include "core/networks/networks_folder.h"
#include "core/networks/installed_program_folder.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace selvana {

bool folderIsWritable(const QString& folder) {
    if (folder.isEmpty())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".selvanam-XXXXXX")));
    return probe.open(); // removed again when it goes
}

QString networksFolder(const QString& programFolder) {
    // Installed, it adds nothing beside itself even where it could write, as root can anywhere.
    if (!isInstalledProgramFolder(programFolder, systemProgramFolders()) &&
        folderIsWritable(programFolder))
        return programFolder;
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(perUser); // a failure shows when the file is written
    return perUser;
}

} // namespace selvana
