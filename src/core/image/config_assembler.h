#pragma once

#include "core/image/config_record.h"
#include "core/image/field_error.h"

#include <optional>

namespace selvana {

// Builds the image to write from the record and the image read (its preserved bytes), checksum
// in byte 64. When a value does not fit, returns the error and leaves both rec and saveImage
// untouched. On success a record without mains-failure transmission loses its SpontaneaIngresso.
std::optional<FieldError> assembleSaveImage(ConfigRecord& rec, const Image& configImage,
                                            Image& saveImage);

} // namespace selvana
