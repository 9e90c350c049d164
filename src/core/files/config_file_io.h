#pragma once

#include "core/files/config_file.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace selvana::conf {

// Why a configuration file could not be read or written. The message is Italian and says what
// happened and what to do; the detail is the system's own words, for diagnosis.
struct FileError {
    QString path; // native separators
    QString message;
    QString detail;
};

// Reads and parses the first 62 bytes of the file. A missing, unreadable or too short file is an
// error, and `file` is left untouched.
[[nodiscard]] std::optional<FileError> readConfigFile(const QString& path, ConfigFile& file);

// Writes the content over the start of the file, keeping whatever an existing longer file holds
// after it. The file is replaced as a whole: on any error an existing file stays as it was.
[[nodiscard]] std::optional<FileError> writeConfigFile(const QString& path,
                                                       const QByteArray& content);

} // namespace selvana::conf
