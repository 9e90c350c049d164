#include "core/editor/entry_checks.h"

#include "core/editor/editor_state.h"
#include "core/fields/key_filter.h"
#include "core/fields/number_text.h"

#include <algorithm>

namespace selvana::editor {

namespace {

const EditorField* fieldOf(Ctl box) {
    return editorField(nameOf(box));
}

} // namespace

FieldContext fieldContext(const EditorState& e) {
    FieldContext context;
    context.bandaUHF = e.record().BandaUHF;
    context.path = e.position(Ctl::cmbViaTX);
    context.protocol = e[Ctl::cmbProtocollo].currentText();
    context.protocolCode = e.record().Protocollo;
    return context;
}

void textBox_Change(EditorState& e, Ctl box) {
    switch (box) {
    case Ctl::txtOffsetSicep1:
        e.setText(Ctl::txtOffsetSicepHex01, offsetHexText(e.text(box)));
        break;
    case Ctl::txtOffsetSicep2:
        e.setText(Ctl::txtOffsetSicepHex02, offsetHexText(e.text(box)));
        break;
    case Ctl::txtCodicePeriferica:
        CheckCodicePeriferica(e);
        break;
    case Ctl::txtSerialNumber:
        txtSerialNumber_Change(e);
        break;
    default:
        break;
    }
}

bool numericBoxValid(const EditorState& e, Ctl box) {
    const EditorField* field = fieldOf(box);
    const auto range = field ? entryRange(*field, fieldContext(e)) : std::nullopt;
    if (!range)
        return true;
    std::optional<double> value;
    if (field->decimalCheck)
        value = textToDouble(e.text(box));
    else if (const auto whole = textToInt32(e.text(box)))
        value = static_cast<double>(*whole);
    return value && range->contains(*value);
}

void textBox_LostFocus(EditorState& e, Ctl box) {
    if (e.presenting)
        return;
    if (box == Ctl::txtCodicePeriferica) {
        CheckCodicePeriferica(e);
        return;
    }
    if (box == Ctl::txtSerialNumber) {
        txtSerialNumber_LostFocus(e);
        return;
    }
    const EditorField* field = fieldOf(box);
    if (!field || !field->entryRange)
        return;
    if (e.text(box).isEmpty()) {
        e.giveFocusBack(box);
        return;
    }
    if (!numericBoxValid(e, box)) {
        e.giveFocusBack(box);
        e.setForeColour(box, kRed);
    } else {
        e.setForeColour(box, kBlack);
    }
}

bool peripheralCodeValid(const EditorState& e) {
    return numericBoxValid(e, Ctl::txtCodicePeriferica);
}

void CheckCodicePeriferica(EditorState& e) {
    const Ctl box = Ctl::txtCodicePeriferica;
    if (e.text(box).isEmpty()) {
        e.giveFocusBack(box);
        return;
    }
    if (!peripheralCodeValid(e)) {
        e.giveFocusBack(box);
        e.setForeColour(box, kRed);
        e.decideSave(false);
    } else {
        e.setForeColour(box, kBlack);
        e.decideSave(true);
    }
}

namespace {

// The serial number counts characters, not digits.
bool serialNumberComplete(const EditorState& e) {
    return e.text(Ctl::txtSerialNumber).size() >= e[Ctl::txtSerialNumber].typingLimit;
}

} // namespace

void txtSerialNumber_Change(EditorState& e) {
    e.decideSave(serialNumberComplete(e));
}

void txtSerialNumber_LostFocus(EditorState& e) {
    e.decideSave(true);
    if (!serialNumberComplete(e)) {
        e.giveFocusBack(Ctl::txtSerialNumber);
        e.decideSave(false);
        e.showMessage(QStringLiteral("ATTENZIONE: il numero di serie deve essere di 8 cifre!"));
    }
}

bool keyAccepted(const EditorState& e, Ctl box, int selectionLength, int keyCode) {
    constexpr int kBackspace = 8;
    if (keyCode < 0 || keyCode == kBackspace)
        return true;
    const ControlState& c = e[box];
    if (!c.tag.isNull() && CheckKeyAscii(QString(c.tag), c.text, keyCode) >= 0)
        return false;
    const qsizetype replaced = std::clamp<qsizetype>(selectionLength, 0, c.text.size());
    return keyFitsTypingLimit(c.text.size(), replaced, c.typingLimit);
}

} // namespace selvana::editor
