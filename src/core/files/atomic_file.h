#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <optional>

namespace selvana {

// How a write failed, in the system's terms; each kind of file words it for the installer as a
// FileError.
struct WriteFailure {
    QFileDevice::FileError error = QFileDevice::WriteError;
    QString detail;            // the system's own words
    bool targetExists = false; // AtomicFile::Existing::Refuse found the name taken
};

// The one way the program writes a file (the networks file, configuration files, backups, the
// command line's files): the whole content goes into a new file beside the target, unbuffered,
// every byte counted and synced to disk, and only then takes the target's name. A reader, or a
// crash halfway, finds the old file or the new one, never a part of either; on any failure the
// target is as it was and nothing is left beside it.
class AtomicFile {
public:
    enum class Existing {
        Replace,  // an existing file is replaced whole, keeping its permissions
        KeepTail, // a longer existing file keeps what it holds after the new content
        Refuse,   // an existing file is never touched: the write fails with targetExists
    };

    explicit AtomicFile(const QString& path);
    // A target named by the bytes the system holds, which need not be valid UTF-8.
    static AtomicFile byNameBytes(QByteArray name);

    [[nodiscard]] std::optional<WriteFailure> write(const QByteArray& content,
                                                    Existing existing = Existing::Replace) const;

private:
    AtomicFile() = default;
    QByteArray name_;
};

} // namespace selvana
