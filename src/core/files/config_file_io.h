#pragma once

#include "core/files/config_file.h"
#include "core/files/file_error.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace selvana::conf {

using FileError = selvana::FileError;

// The one reader of configuration files, for the window and the command line: the first 62 bytes
// of a regular file, and its whole size. A missing, unreadable or too short file is an error,
// and `head` is left untouched. Names may hold kept bytes (file_names.h).
[[nodiscard]] std::optional<FileError> readConfigFileBytes(const QString& path, QByteArray& head,
                                                           qint64* size = nullptr);
// The same, parsed.
[[nodiscard]] std::optional<FileError> readConfigFile(const QString& path, ConfigFile& file);

// What becomes of the part of an existing longer file after the configuration.
enum class ExistingTail {
    Keep, // the export's rule: the content is written over the start of the file
    Drop, // the file holds the content and nothing else
};

// Writes the content into the file, through the one atomic writer: on any error an existing file
// stays as it was. Names may hold kept bytes.
[[nodiscard]] std::optional<FileError> writeConfigFile(const QString& path,
                                                       const QByteArray& content,
                                                       ExistingTail tail = ExistingTail::Keep);

} // namespace selvana::conf
