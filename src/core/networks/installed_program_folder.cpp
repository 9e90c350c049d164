#include "core/networks/installed_program_folder.h"

#include <QDir>
#include <QFileInfo>

namespace selvana {

namespace {

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

bool isWithin(const QString& folder, const QString& base) {
    if (base.isEmpty())
        return false;
    const QString cleanBase = QDir::cleanPath(base);
    if (folder.compare(cleanBase, kPathCase) == 0)
        return true;
    const QString prefix =
        cleanBase.endsWith(QLatin1Char('/')) ? cleanBase : cleanBase + QLatin1Char('/');
    return folder.startsWith(prefix, kPathCase);
}

} // namespace

QStringList systemProgramFolders() {
#ifdef Q_OS_WIN
    QStringList folders;
    for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "SystemRoot"}) {
        const QString folder = qEnvironmentVariable(name);
        if (!folder.isEmpty())
            folders << QDir::fromNativeSeparators(folder);
    }
    return folders;
#else
    return {QStringLiteral("/usr"), QStringLiteral("/bin"), QStringLiteral("/sbin"),
            QStringLiteral("/opt")};
#endif
}

bool isInstalledProgramFolder(const QString& programFolder, const QStringList& systemFolders) {
    if (programFolder.isEmpty())
        return false;
    const QString asWritten = QDir::cleanPath(QDir::fromNativeSeparators(programFolder));
    const QString resolved = QFileInfo(asWritten).canonicalFilePath();
    for (const QString& system : systemFolders) {
        if (isWithin(asWritten, system) || (!resolved.isEmpty() && isWithin(resolved, system)))
            return true;
    }
    const QFileInfo folder(resolved.isEmpty() ? asWritten : resolved);
    return folder.fileName().compare(QLatin1String("bin"), kPathCase) == 0 &&
           QFileInfo(folder.dir().filePath(QStringLiteral("share"))).isDir();
}

} // namespace selvana
