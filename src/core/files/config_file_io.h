#pragma once

#include "core/files/config_file.h"
#include "core/files/file_error.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace selvana::conf {

using FileError = selvana::FileError;

// Reads and parses the first 62 bytes of the file. A missing, unreadable or too short file is an
// error, and `file` is left untouched.
[[nodiscard]] std::optional<FileError> readConfigFile(const QString& path, ConfigFile& file);

// What becomes of the part of an existing longer file after the configuration.
enum class ExistingTail {
    Keep, // the export's rule: the content is written over the start of the file
    Drop, // the file holds the content and nothing else
};

// Writes the content into the file. The file is replaced as a whole: on any error an existing
// file stays as it was.
[[nodiscard]] std::optional<FileError> writeConfigFile(const QString& path,
                                                       const QByteArray& content,
                                                       ExistingTail tail = ExistingTail::Keep);

} // namespace selvana::conf
