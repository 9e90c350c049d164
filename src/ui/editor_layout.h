#pragma once

#include "core/editor/editor_controls.h"

#include <array>

class QButtonGroup;
class QListWidget;
class QWidget;

namespace selvana {

namespace editor {
class EditorModel;
}

// The editor's widgets: one per control of the model, under the control's name.
struct EditorWidgets {
    QWidget* frames = nullptr; // holds the six frames, covering the editor area
    std::array<QWidget*, editor::kControlCount> controls{};
    std::array<QButtonGroup*, 6> groups{}; // by editor::Array; option arrays only
    QListWidget* changes = nullptr;        // in Frame11: what a write would change

    QWidget* operator[](editor::Ctl id) const { return controls[static_cast<int>(id)]; }
    QButtonGroup* group(editor::Array array) const { return groups[static_cast<int>(array)]; }
};

// Builds the six frames and every control in them on the editor area, in two rows of three
// cells: names, kinds and captions from the model's controls and the table of fields, places
// from the layout's own table. Values, enabling and visibility are the model's to set. Under the
// file buttons, the list of changes from the read, which is no control of the model.
EditorWidgets buildEditorWidgets(QWidget* editorArea, const editor::EditorModel& model);

} // namespace selvana
