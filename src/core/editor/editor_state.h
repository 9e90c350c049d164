#pragma once

#include "core/editor/editor_controls.h"
#include "core/session/session_data.h"

#include <array>
#include <optional>
#include <vector>

namespace selvana::editor {

class EditorListener;

// The editor's controls as plain state, the session they show, and the one place where a
// changed value raises its control's handler. The rules work on it; EditorModel is its face.
class EditorState {
public:
    explicit EditorState(SessionData& session);

    SessionData& session;
    ConfigRecord& record() { return session.record; }
    const ConfigRecord& record() const { return session.record; }

    const ControlState& operator[](Ctl id) const { return controls_[index(id)]; }
    const QString& text(Ctl id) const { return (*this)[id].text; }
    bool checked(Ctl id) const { return (*this)[id].checked; }
    int position(Ctl id) const { return (*this)[id].position; }
    bool enabled(Ctl id) const { return (*this)[id].enabled; }
    bool visible(Ctl id) const { return (*this)[id].visible; }

    // Values. A value that changes runs the control's handler at once, before the call returns,
    // whoever set it (a rule, the presentation or the installer); an unchanged value runs none.
    void setText(Ctl box, const QString& text);
    // A position the list does not have is refused: false, and the list keeps its selection.
    bool setPosition(Ctl list, int position);
    void setChecked(Ctl box, bool checked);
    // Selects an option and deselects the other members of its array.
    void select(Ctl option);
    // Leaves an array without a selected member; no handler runs.
    void clearSelection(Array array);

    // Appearance and contents; no handler runs.
    void setEnabled(Ctl id, bool enabled);
    void setVisible(Ctl id, bool visible);
    void setForeColour(Ctl box, std::uint32_t colour);
    void setCaption(Ctl label, const QString& caption);
    void setItems(Ctl list, const QStringList& items); // leaves the list without a selection
    void appendItem(Ctl list, const QString& item);

    // Back to the design-time editor, lists keeping their items; no handler runs.
    void applyDesignState();

    // Requests to the window. A box that refuses to be left asks for the focus back; while one
    // box is taking it back another losing it does not ask too, so two invalid boxes never
    // fight over it; a hidden or disabled box, or any box while the program presents, does not
    // ask at all.
    void giveFocusBack(Ctl box);
    void decideSave(bool enabled);
    void showMessage(const QString& text);

    std::optional<Ctl> focusRequest() const { return focusRequest_; }
    void forgetFocusRequest() { focusRequest_.reset(); }
    bool saveEnabled() const { return saveEnabled_; }
    std::vector<Ctl> takeChanged();

    // True while the program presents a configuration: boxes the program fills are not being
    // left by the installer, so their range checks wait.
    bool presenting = false;
    // cmbCodiceRete as FillCombos filled it; a presentation starts from it again.
    QStringList networkItems;
    EditorListener* listener = nullptr;

private:
    static int index(Ctl id) { return static_cast<int>(id); }
    ControlState& at(Ctl id) { return controls_[index(id)]; }
    void changed(Ctl id);
    void runHandler(Ctl id);
    void requestFocus(Ctl id);

    std::array<ControlState, kControlCount> controls_;
    std::array<bool, kControlCount> changed_{};
    std::optional<Ctl> focusRequest_;
    bool returningFocus_ = false;
    bool saveEnabled_ = false;
};

} // namespace selvana::editor
