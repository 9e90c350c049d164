#pragma once

#include "core/image/field_error.h"

#include <optional>

namespace selvana::editor {

class EditorState;

// CopiaDatiSave: collects the editor into the record, then assembles SaveImage from the record
// and the preserved bytes of ConfigImage. When a text cannot be converted or does not fit, or
// the mains-failure transmission has no input to report on, returns the first field that stops
// it (its control and a message naming its caption) and changes neither the record nor
// SaveImage.
std::optional<FieldError> CopiaDatiSave(EditorState& e);

} // namespace selvana::editor
