#include "core/files/file_names.h"

#include "core/files/atomic_file.h"

#include <algorithm>
#include <cstdint>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace selvana {

namespace {

constexpr char16_t kKeptByteBase = 0xDC00; // byte b (0x80..0xFF) is kept as U+DC00 + b

bool isKeptByte(QChar c) {
    return c.unicode() >= kKeptByteBase + 0x80 && c.unicode() <= kKeptByteBase + 0xFF;
}

// Valid UTF-8 sequences become their characters; every other byte is kept on its own. Only
// systems whose names are bytes need it.
[[maybe_unused]] QString decodeKeepingBytes(const QByteArray& raw) {
    QString out;
    for (qsizetype i = 0; i < raw.size();) {
        qsizetype length = 0;
        for (qsizetype n = 1; n <= 4 && i + n <= raw.size() && length == 0; ++n) {
            const QByteArray piece = raw.mid(i, n);
            if (QString::fromUtf8(piece).toUtf8() == piece)
                length = n;
        }
        if (length > 0) {
            out += QString::fromUtf8(raw.mid(i, length));
            i += length;
        } else {
            out += QChar(char16_t(kKeptByteBase + static_cast<std::uint8_t>(raw[i])));
            ++i;
        }
    }
    return out;
}

} // namespace

QStringList argumentsOf(int argc, char** argv) {
#ifdef Q_OS_UNIX
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        const QString decoded = QFile::decodeName(raw);
        arguments << (QFile::encodeName(decoded) == raw ? decoded : decodeKeepingBytes(raw));
    }
    return arguments;
#else
    // Other systems hand the program its arguments as characters.
    static_cast<void>(argc);
    static_cast<void>(argv);
    return QCoreApplication::arguments().mid(1);
#endif
}

bool hasRawBytes(const QString& name) {
    return std::any_of(name.begin(), name.end(), isKeptByte);
}

QByteArray nameBytes(const QString& name) {
    QByteArray bytes;
    QString run;
    for (QChar c : name) {
        if (!isKeptByte(c)) {
            run += c;
            continue;
        }
        bytes += QFile::encodeName(run);
        run.clear();
        bytes += static_cast<char>(c.unicode() - kKeptByteBase);
    }
    return bytes + QFile::encodeName(run);
}

QString shownName(const QString& name) {
    QString shown = name;
    for (QChar& c : shown)
        if (isKeptByte(c))
            c = QChar::ReplacementCharacter;
    return shown;
}

QString quotedName(const QString& name) {
    return QLatin1Char('"') + QDir::toNativeSeparators(shownName(name)) + QLatin1Char('"');
}

FileFacts factsOf(const QString& name) {
    FileFacts facts;
#ifdef Q_OS_UNIX
    if (hasRawBytes(name)) {
        const QByteArray bytes = nameBytes(name);
        struct stat info {};
        if (::stat(bytes.constData(), &info) == 0) {
            facts.exists = true;
            facts.isDir = S_ISDIR(info.st_mode);
            facts.isFile = S_ISREG(info.st_mode);
            facts.readable = ::access(bytes.constData(), R_OK) == 0;
            facts.writable = ::access(bytes.constData(), W_OK) == 0;
            facts.size = info.st_size;
        }
        const qsizetype slash = bytes.lastIndexOf('/');
        const QByteArray folder = slash < 0 ? QByteArray(".") : bytes.left(qMax(slash, 1));
        struct stat folderInfo {};
        facts.folderExists =
            ::stat(folder.constData(), &folderInfo) == 0 && S_ISDIR(folderInfo.st_mode);
        return facts;
    }
#endif
    const QFileInfo info(name);
    facts.exists = info.exists();
    facts.isDir = info.isDir();
    facts.isFile = info.isFile();
    facts.readable = info.isReadable();
    facts.writable = info.isWritable();
    facts.size = info.size();
    facts.folderExists = QFileInfo(info.absolutePath()).isDir();
    return facts;
}

bool openFile(const QString& name, QFile& file, QIODevice::OpenMode mode) {
#ifdef Q_OS_UNIX
    if (hasRawBytes(name)) {
        // Reading never blocks, so that a pipe put there meanwhile cannot hold the command.
        const int flags =
            mode.testFlag(QIODevice::WriteOnly)
                ? O_WRONLY | O_CREAT | (mode.testFlag(QIODevice::Append) ? O_APPEND : 0)
                : O_RDONLY | O_NONBLOCK;
        const int fd = ::open(nameBytes(name).constData(), flags | O_CLOEXEC, 0666);
        if (fd < 0)
            return false;
        if (file.open(fd, mode, QFileDevice::AutoCloseHandle))
            return true;
        ::close(fd);
        return false;
    }
#endif
    file.setFileName(name);
    return file.open(mode);
}

std::optional<QString> replaceByBytes(const QString& name, const QByteArray& content) {
    if (const auto failure = AtomicFile::byNameBytes(nameBytes(name)).write(content))
        return failure->detail;
    return std::nullopt;
}

} // namespace selvana
