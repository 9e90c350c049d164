#pragma once

#include "core/image/field_error.h"

#include <optional>

namespace selvana {

struct EditorContext;

// CopiaDatiSave: collects the editor into the record, then assembles SaveImage from the record
// and the preserved bytes of ConfigImage. When a text cannot be converted or does not fit,
// returns the field that stops it and changes neither the record nor SaveImage.
std::optional<FieldError> CopiaDatiSave(EditorContext& ctx);

} // namespace selvana
