#pragma once

#include "core/editor/editor_controls.h"
#include "core/editor/editor_state.h"
#include "core/files/config_file.h"
#include "core/image/field_error.h"
#include "core/session/session_data.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <variant>
#include <vector>

namespace selvana::editor {

class EditorListener;

// What an import ended with: the warning when the file does not suit the program (nothing was
// imported then), else whether the configuration shown may be written.
struct ImportOutcome {
    std::optional<QString> refusal;
    bool writable = false;
};

// The editor without widgets: every control as plain state, and all the editor's behaviour on
// it. The program presents, collects and imports through it; the installer's actions enter
// through the calls below; a view shows the controls and learns of changes, focus requests,
// "SAVE" decisions and messages through an EditorListener. A value that changes, whoever sets
// it, runs its control's handler at once, exactly once; an unchanged value runs none.
class EditorModel {
public:
    explicit EditorModel(SessionData& session);

    void setListener(EditorListener* listener) { state_.listener = listener; }
    SessionData& session() { return state_.session; }

    // The controls, by id or by name (objectName, members "name_index").
    const ControlState& control(Ctl id) const { return state_[id]; }
    const ControlState* control(QStringView name) const;
    // The controls changed since the last call, in control order.
    std::vector<Ctl> takeChanged() { return state_.takeChanged(); }

    // ---- the program ----

    // FillCombos: the five option lists from their tables and the networks list.
    void fillCombos();

    // DisplayData and the five feature checks, the same whatever was shown or edited before:
    // the editor goes back to its design state and shows the start-up (zeroed) record first, as
    // the first read after start does, then the session's record. Returns whether the
    // configuration may be written (its peripheral code is valid for its protocol); when not,
    // the code box asks for the focus.
    bool present();

    // A configuration read from a peripheral: kept as ConfigImage, decoded and presented.
    bool presentRead(const Image& image);

    // A configuration file: refused with the warning when its firmware or band marker does not
    // suit the program; otherwise its bytes 5..64 replace those of ConfigImage (the serial
    // number read last stays), and it is decoded and presented. "SAVE" follows the code.
    ImportOutcome importConfiguration(const conf::ConfigFile& file);

    // CopiaDatiSave: the editor into the record and SaveImage, or the field that stops it.
    std::optional<FieldError> collect();
    // What collect() would make now, the session left as it is: the image to write, or the
    // field that stops it.
    std::variant<Image, FieldError> wouldWrite();
    // What the write would change in the peripheral read (in the configuration shown when none
    // was read): one line per field, as configurationChanges() says them; or the field that
    // stops it.
    std::variant<QStringList, FieldError> changesFromRead();

    // ---- the installer ----
    // A control the installer cannot reach (disabled or hidden) takes no action: false.

    // Whether a key typed into a box is taken, before it changes the text; the view applies a
    // taken key and reports the new text with edit(). keyCode: the character's code, 8 for
    // backspace, negative for keys that type no character (never judged).
    bool keyAccepted(Ctl box, int selectionLength, int keyCode) const;
    // The installer changed a box's text (a taken key, a paste, a cut, Delete).
    bool edit(Ctl box, const QString& text);
    // The installer picked a list item.
    bool choose(Ctl list, int position);
    // The installer clicked a check box (it toggles) or an option (it is selected).
    bool click(Ctl control);
    // The focus left a box: its lost-focus check.
    void leave(Ctl box);

    // ---- what the window mirrors ----

    // The last "SAVE" decision of the rules (false before any).
    bool saveEnabled() const { return state_.saveEnabled(); }
    // The control that last asked for the focus, if any did since the last presentation.
    std::optional<Ctl> focusRequest() const { return state_.focusRequest(); }
    // Whether the configuration shown may be written: its peripheral code is valid.
    bool writable() const;

private:
    bool reachable(Ctl id) const { return state_.enabled(id) && state_.visible(id); }

    EditorState state_;
};

} // namespace selvana::editor
