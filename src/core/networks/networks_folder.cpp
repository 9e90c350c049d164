#include "core/networks/networks_folder.h"

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
    if (folderIsWritable(programFolder))
        return programFolder;
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(perUser); // a failure shows when the file is written
    return perUser;
}

} // namespace selvana
