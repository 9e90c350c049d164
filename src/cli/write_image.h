#pragma once

#include "core/files/config_file.h"
#include "core/image/config_record.h"

#include <QString>

#include <optional>

namespace selvana::cli {

// The image to write to a peripheral from a configuration file, built as the window's import
// and write build it: the image read from the peripheral (its serial number), bytes 5..64 from
// the file, decoded and assembled again (constant bytes rebuilt, checksum computed). Returns the
// Italian reason when the file cannot be written: a value that does not fit, a peripheral code
// the editor would not let through, or a mains-failure report on inputs that are all
// conditioned. Nothing is built then.
std::optional<QString> buildWriteImage(const Image& read, const conf::ConfigFile& file,
                                       Image& saveImage);

} // namespace selvana::cli
