#pragma once

#include "core/image/field_error.h"
#include "ui/editor_context.h"

#include <QObject>

#include <optional>

namespace selvana {

// The editor of frmMONO: its controls, and the wiring of every control event to its rule.
class Editor : public QObject {
    Q_OBJECT
public:
    Editor(ProgramState& state, KeyPreview& keys, UserDialogs& dialogs, QWidget* editorArea,
           std::function<void(bool)> setSaveEnabled, QObject* parent = nullptr);

    EditorControls& controls() { return controls_; }
    EditorContext& context() { return context_; }

    void fillCombos();

    // Shows the record: DisplayData and the five feature checks. The editor first goes back to
    // its start-up state and shows the start-up record, exactly as the first read after the
    // program starts does, so what is shown (and written back unedited) never depends on what
    // was shown or edited before. Returns whether the configuration may be written: its
    // peripheral code is valid for its protocol.
    bool present();

    // CopiaDatiSave.
    std::optional<FieldError> collect();

signals:
    void exportClicked();
    void importClicked();

private:
    void wire();

    ProgramState& state_;
    EditorControls controls_;
    EditorContext context_;
};

} // namespace selvana
