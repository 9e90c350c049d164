#include "core/editor/editor_model.h"

#include "core/editor/collector.h"
#include "core/editor/entry_checks.h"
#include "core/editor/feature_checks.h"
#include "core/editor/presenter.h"
#include "core/fields/config_changes.h"
#include "core/image/config_decoder.h"
#include "core/image/memory_map.h"

namespace selvana::editor {

EditorModel::EditorModel(SessionData& session) : state_(session) {}

const ControlState* EditorModel::control(QStringView name) const {
    const auto id = controlNamed(name);
    return id ? &state_[*id] : nullptr;
}

void EditorModel::fillCombos() {
    FillCombos(state_);
}

bool EditorModel::present() {
    SessionData& s = state_.session;
    const ConfigRecord shown = s.record;
    state_.presenting = true;
    state_.forgetFocusRequest();

    // The start-up editor, then the start-up (zeroed) record as the announcement shows it...
    state_.applyDesignState();
    if (state_[Ctl::cmbCodiceRete].items != state_.networkItems)
        state_.setItems(Ctl::cmbCodiceRete, state_.networkItems);
    s.record = ConfigRecord{};
    DisplayData(state_);
    runFeatureChecks(state_);

    // ...then the configuration. Decoding keeps the mains-failure input of the record before it
    // when byte 38 is 0; after the start-up record that is 0.
    const std::uint8_t mainsInput = s.record.SpontaneaIngresso;
    s.record = shown;
    if (s.ConfigImage[map::kMainsFailureInput] == 0)
        s.record.SpontaneaIngresso = mainsInput;
    DisplayData(state_);
    runFeatureChecks(state_);
    state_.presenting = false;

    const bool valid = writable();
    if (!valid)
        state_.giveFocusBack(Ctl::txtCodicePeriferica);
    return valid;
}

bool EditorModel::presentRead(const Image& image) {
    state_.session.takeRead(image);
    return present();
}

ImportOutcome EditorModel::importConfiguration(const conf::ConfigFile& file) {
    SessionData& s = state_.session;
    if (auto warning = conf::mismatchMessage(file, s.FirmwareM6, s.record.BandaUHF))
        return {warning, false};
    conf::storeInto(file, s.ConfigImage);
    Analyze2(s.ConfigImage, s.BandLetter, s.record);
    // As after a read: a code that is not valid for its protocol cannot be written.
    const bool valid = present();
    state_.decideSave(valid);
    return {std::nullopt, valid};
}

std::optional<FieldError> EditorModel::collect() {
    return CopiaDatiSave(state_);
}

std::variant<Image, FieldError> EditorModel::wouldWrite() {
    SessionData& s = state_.session;
    const ConfigRecord record = s.record;
    const Image saved = s.SaveImage;
    const auto error = CopiaDatiSave(state_);
    const Image image = s.SaveImage;
    s.record = record;
    s.SaveImage = saved;
    if (error)
        return *error;
    return image;
}

std::variant<QStringList, FieldError> EditorModel::changesFromRead() {
    auto written = wouldWrite();
    if (const auto* error = std::get_if<FieldError>(&written))
        return *error;
    const SessionData& s = state_.session;
    return changeLines(configurationChanges(s.peripheralRead ? s.ReadImage : s.ConfigImage,
                                            std::get<Image>(written), &s.networkList));
}

bool EditorModel::keyAccepted(Ctl box, int selectionLength, int keyCode) const {
    return reachable(box) && editor::keyAccepted(state_, box, selectionLength, keyCode);
}

bool EditorModel::edit(Ctl box, const QString& text) {
    if (!reachable(box) || infoOf(box).kind != Kind::TextBox)
        return false;
    state_.setText(box, text);
    return true;
}

bool EditorModel::choose(Ctl list, int position) {
    if (!reachable(list) || infoOf(list).kind != Kind::List)
        return false;
    return state_.setPosition(list, position);
}

bool EditorModel::click(Ctl control) {
    if (!reachable(control))
        return false;
    switch (infoOf(control).kind) {
    case Kind::CheckBox:
        state_.setChecked(control, !state_.checked(control));
        return true;
    case Kind::Option:
        state_.select(control);
        return true;
    default:
        return false;
    }
}

void EditorModel::leave(Ctl box) {
    if (infoOf(box).kind == Kind::TextBox)
        textBox_LostFocus(state_, box);
}

bool EditorModel::writable() const {
    return peripheralCodeValid(state_);
}

} // namespace selvana::editor
