#include "core/files/atomic_file.h"

#include <QCoreApplication>
#include <QFile>

#ifdef Q_OS_UNIX
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QFileInfo>
#include <QSaveFile>
#include <windows.h>
#endif

namespace selvana {

AtomicFile::AtomicFile(const QString& path) : name_(QFile::encodeName(path)) {}

AtomicFile AtomicFile::byNameBytes(QByteArray name) {
    AtomicFile file;
    file.name_ = std::move(name);
    return file;
}

#ifdef Q_OS_UNIX

namespace {

QString systemWords(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

WriteFailure failure(QFileDevice::FileError kind, int error) {
    return {kind, systemWords(error), false};
}

QFileDevice::FileError openErrorOf(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return QFileDevice::PermissionsError;
    case ENOSPC:
    case EDQUOT:
        return QFileDevice::ResourceError;
    default:
        return QFileDevice::OpenError;
    }
}

// What an existing file holds after `from`; nothing when it is not longer.
std::optional<WriteFailure> tailOf(const QByteArray& name, qint64 from, QByteArray& tail) {
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? std::nullopt
                               : std::optional(failure(QFileDevice::ReadError, errno));
    char buffer[64 * 1024];
    int error = ::lseek(fd, from, SEEK_SET) < 0 ? errno : 0;
    while (error == 0) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            tail.append(buffer, n);
        else if (n == 0)
            break;
        else if (errno != EINTR)
            error = errno;
    }
    ::close(fd);
    if (error != 0)
        return failure(QFileDevice::ReadError, error);
    return std::nullopt;
}

// A new file beside the target that nobody else can have made.
int createTemporary(const QByteArray& name, QByteArray& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = name + ".tmp-" + QByteArray::number(QCoreApplication::applicationPid()) + '-' +
                    QByteArray::number(counter++);
        const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

int writeAll(int fd, const QByteArray& content) {
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t n =
            ::write(fd, content.constData() + done, static_cast<size_t>(content.size() - done));
        if (n > 0)
            done += n;
        else if (n == 0)
            return EIO;
        else if (errno != EINTR)
            return errno;
    }
    return 0;
}

// The new name lasts once its folder is on disk too; a folder that cannot be synced changes
// nothing of what was written.
void syncFolderOf(const QByteArray& name) {
    const qsizetype slash = name.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : name.left(qMax<qsizetype>(slash, 1));
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::optional<WriteFailure> AtomicFile::write(const QByteArray& content, Existing existing) const {
    // A link is followed: the file it names is replaced, and the link stays.
    QByteArray name = name_;
    if (char* real = ::realpath(name_.constData(), nullptr)) {
        name = real;
        ::free(real);
    }
    struct stat old {};
    const bool exists = ::stat(name.constData(), &old) == 0;
    if (exists && existing == Existing::Refuse)
        return WriteFailure{QFileDevice::OpenError, systemWords(EEXIST), true};
    if (exists && S_ISDIR(old.st_mode))
        return failure(QFileDevice::OpenError, EISDIR);
    // As a text editor would: a file its owner protected from writing is not replaced.
    if (exists && ::access(name.constData(), W_OK) != 0)
        return failure(QFileDevice::PermissionsError, errno);

    QByteArray whole = content;
    if (exists && existing == Existing::KeepTail && old.st_size > content.size()) {
        QByteArray tail;
        if (auto error = tailOf(name, content.size(), tail))
            return error;
        whole += tail;
    }

    QByteArray temporary;
    const int fd = createTemporary(name, temporary);
    if (fd < 0)
        return failure(openErrorOf(errno), errno);
    int error = writeAll(fd, whole);
    if (error == 0 && exists && ::fchmod(fd, old.st_mode & 07777) != 0)
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return failure(QFileDevice::WriteError, error);
    }

    if (existing == Existing::Refuse) {
        // link() never replaces: a file made meanwhile under the name is left alone.
        const int linked = ::link(temporary.constData(), name.constData()) == 0 ? 0 : errno;
        ::unlink(temporary.constData());
        if (linked == EEXIST)
            return WriteFailure{QFileDevice::OpenError, systemWords(EEXIST), true};
        if (linked != 0)
            return failure(QFileDevice::RenameError, linked);
    } else if (::rename(temporary.constData(), name.constData()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.constData());
        return failure(QFileDevice::RenameError, renameError);
    }
    syncFolderOf(name);
    return std::nullopt;
}

#else

// Elsewhere names are text, and Qt's own atomic file does the work.
std::optional<WriteFailure> AtomicFile::write(const QByteArray& content, Existing existing) const {
    const QString path = QFile::decodeName(name_);
    const QFileInfo info(path);
    // As on Linux: a folder is never opened as a file, and a file its owner made read-only
    // is not replaced.
    if (info.isDir() && existing != Existing::Refuse)
        return WriteFailure{QFileDevice::OpenError, qt_error_string(ERROR_ACCESS_DENIED), false};
    if (info.exists() && !info.isWritable() && existing != Existing::Refuse)
        return WriteFailure{QFileDevice::PermissionsError, qt_error_string(ERROR_ACCESS_DENIED),
                            false};
    if (existing == Existing::Refuse) {
        if (info.exists())
            return WriteFailure{QFileDevice::OpenError, QStringLiteral("exists"), true};
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            return WriteFailure{out.error(), out.errorString(), info.exists()};
        const bool written = out.write(content) == content.size() && out.flush();
        const WriteFailure why{out.error(), out.errorString(), false};
        out.close();
        if (!written) {
            QFile::remove(path);
            return why;
        }
        return std::nullopt;
    }
    QByteArray whole = content;
    if (existing == Existing::KeepTail && info.size() > content.size()) {
        QFile old(path);
        if (!old.open(QIODevice::ReadOnly) || !old.seek(content.size()))
            return WriteFailure{QFileDevice::ReadError, old.errorString(), false};
        whole += old.readAll();
        if (old.error() != QFileDevice::NoError)
            return WriteFailure{QFileDevice::ReadError, old.errorString(), false};
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return WriteFailure{out.error(), out.errorString(), false};
    if (out.write(whole) != whole.size()) {
        const WriteFailure why{QFileDevice::WriteError, out.errorString(), false};
        out.cancelWriting();
        return why;
    }
    if (!out.commit())
        return WriteFailure{out.error(), out.errorString(), false};
    return std::nullopt;
}

#endif

} // namespace selvana
