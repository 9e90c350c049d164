#include "core/editor/editor_state.h"

#include "core/editor/editor_listener.h"
#include "core/editor/entry_checks.h"
#include "core/editor/feature_checks.h"
#include "core/editor/protocol_rules.h"
#include "core/fields/field_table.h"

namespace selvana::editor {

namespace {

// The caption a control shows by itself: its own, its field's, or its member number.
QString ownCaption(const ControlInfo& info) {
    if (*info.caption)
        return QString::fromUtf8(info.caption);
    switch (info.kind) {
    case Kind::Option:
        if (info.array != Array::Invio)
            return QString::number(info.member);
        break;
    case Kind::CheckBox:
        if (info.array == Array::MaskIngressi)
            return QString::number(info.member + 1); // input i + 1
        break;
    case Kind::Label:
        if (info.id == Ctl::lblCodRep)
            return fieldCaption(u"txtCodiceRep");
        if (info.id == Ctl::lblIngressiCondiz)
            return fieldCaption(u"ckMaskIngressi");
        return QString(); // shows a value
    default:
        return QString();
    }
    return fieldCaption(QString::fromLatin1(info.name));
}

} // namespace

EditorState::EditorState(SessionData& data) : session(data) {
    for (const ControlInfo& info : controlInfos()) {
        ControlState& c = at(info.id);
        if (info.kind == Kind::TextBox) {
            const EditorField* field = editorField(QString::fromLatin1(info.name));
            c.tag = field && field->tag ? QChar::fromLatin1(field->tag) : QChar();
            c.typingLimit = field ? field->typingLimit : 0;
        } else {
            c.text = ownCaption(info);
        }
    }
    applyDesignState();
    changed_.fill(false);
}

void EditorState::changed(Ctl id) {
    changed_[index(id)] = true;
    if (listener)
        listener->controlChanged(id);
}

std::vector<Ctl> EditorState::takeChanged() {
    std::vector<Ctl> ids;
    for (int i = 0; i < kControlCount; ++i)
        if (changed_[i])
            ids.push_back(static_cast<Ctl>(i));
    changed_.fill(false);
    return ids;
}

void EditorState::setText(Ctl box, const QString& text) {
    if (at(box).text == text)
        return;
    at(box).text = text;
    changed(box);
    runHandler(box);
}

bool EditorState::setPosition(Ctl list, int position) {
    ControlState& c = at(list);
    if (position < -1 || position >= c.items.size())
        return false;
    if (c.position != position) {
        c.position = position;
        changed(list);
        runHandler(list);
    }
    return true;
}

void EditorState::setChecked(Ctl box, bool checked) {
    if (at(box).checked == checked)
        return;
    at(box).checked = checked;
    changed(box);
    runHandler(box);
}

void EditorState::select(Ctl option) {
    if (checked(option))
        return;
    // Deselecting runs no rule: every option rule acts on the member that becomes selected.
    for (Ctl member : membersOf(infoOf(option).array)) {
        if (member != option && checked(member)) {
            at(member).checked = false;
            changed(member);
        }
    }
    at(option).checked = true;
    changed(option);
    runHandler(option);
}

void EditorState::clearSelection(Array array) {
    for (Ctl member : membersOf(array)) {
        if (checked(member)) {
            at(member).checked = false;
            changed(member);
        }
    }
}

void EditorState::setEnabled(Ctl id, bool enabled) {
    if (at(id).enabled == enabled)
        return;
    at(id).enabled = enabled;
    changed(id);
}

void EditorState::setVisible(Ctl id, bool visible) {
    if (at(id).visible == visible)
        return;
    at(id).visible = visible;
    changed(id);
}

void EditorState::setForeColour(Ctl box, std::uint32_t colour) {
    if (at(box).foreColour == colour)
        return;
    at(box).foreColour = colour;
    changed(box);
}

void EditorState::setCaption(Ctl label, const QString& caption) {
    if (at(label).text == caption)
        return;
    at(label).text = caption;
    changed(label);
}

void EditorState::setItems(Ctl list, const QStringList& items) {
    ControlState& c = at(list);
    c.items = items;
    c.position = -1;
    changed(list);
}

void EditorState::appendItem(Ctl list, const QString& item) {
    at(list).items.append(item);
    changed(list);
}

void EditorState::applyDesignState() {
    for (const ControlInfo& info : controlInfos()) {
        ControlState before = at(info.id);
        ControlState& c = at(info.id);
        c.enabled = true;
        c.visible = true;
        c.checked = false;
        c.position = -1;
        c.foreColour = kBlack;
        if (info.id == Ctl::txtSerialNumber)
            c.text = QStringLiteral("Text1");
        else if (info.kind == Kind::TextBox)
            c.text.clear();
        else
            c.text = ownCaption(info);
        if (before.text != c.text || before.enabled != c.enabled || before.visible != c.visible ||
            before.checked != c.checked || before.position != c.position ||
            before.foreColour != c.foreColour)
            changed(info.id);
    }
    setEnabled(Ctl::txtOffsetSicepHex01, false);
    setEnabled(Ctl::txtOffsetSicepHex02, false);
    setVisible(Ctl::lblSerialNumber, false);
    setVisible(Ctl::Frame11, false);
}

void EditorState::giveFocusBack(Ctl box) {
    // A box that a rule just hid or disabled cannot be corrected where it is: keeping the focus
    // in it would only trap the installer.
    if (returningFocus_ || presenting || !enabled(box) || !visible(box))
        return;
    requestFocus(box);
}

void EditorState::requestFocus(Ctl id) {
    focusRequest_ = id;
    returningFocus_ = true;
    if (listener)
        listener->focusRequested(id);
    returningFocus_ = false;
}

void EditorState::decideSave(bool enabled) {
    saveEnabled_ = enabled;
    if (listener)
        listener->saveDecided(enabled);
}

void EditorState::showMessage(const QString& text) {
    if (listener)
        listener->message(text);
}

void EditorState::runHandler(Ctl id) {
    switch (id) {
    case Ctl::cmbProtocollo:
        cmbProtocollo_Click(*this);
        return;
    case Ctl::cmbViaTX:
        cmbViaTX_Click(*this);
        return;
    case Ctl::chkDoppioSalto:
        chkDoppioSalto_Click(*this);
        return;
    case Ctl::chkCentralinaIntegrata:
        CheckCentralina(*this);
        return;
    case Ctl::chkSpontaneaACOff:
        CheckSpontaneaACOff(*this);
        return;
    case Ctl::chkTrasmissioniMultiple:
        CheckTrasmissioniMultiple(*this);
        return;
    case Ctl::chkInvioSopravvivenza:
        chkInvioSopravvivenza_Click(*this);
        return;
    default:
        break;
    }
    const ControlInfo& info = infoOf(id);
    switch (info.array) {
    case Array::MaskIngressi:
        CheckSpontaneaACOff(*this);
        return;
    case Array::Invio:
        optStatiAllarmi_Click(*this);
        return;
    case Array::NumIngressi:
        optNumIngressi_Click(*this, info.member);
        return;
    case Array::SpontaneaIngresso:
        optSpontaneaIngresso_Click(*this, info.member);
        return;
    default:
        break;
    }
    if (info.kind == Kind::TextBox)
        textBox_Change(*this, id);
}

} // namespace selvana::editor
