#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <span>

namespace selvana {

// What a field's bounds or caption depend on: the editor's band, path and protocol.
struct FieldContext {
    std::uint8_t bandaUHF = 0; // 1: UHF frequencies
    int path = 0;              // cmbViaTX position: 0 direct, 1 repeater, 2 bidirectional
    QString protocol;          // cmbProtocollo text, in any case
    int protocolCode = 0;      // Protocollo as the record holds it
};

// Bounds, both included. An empty range (lowest above highest) holds nothing.
struct FieldRange {
    double lowest = 0;
    double highest = 0;
    bool contains(double v) const { return v >= lowest && v <= highest; }
};

using RangeOf = FieldRange (*)(const FieldContext&);

// One field of the editor: the control that shows it, what the installer reads beside it, how
// its keys are filtered, what the lost-focus check accepts and what the image can hold.
struct EditorField {
    const char* control = "";                       // objectName; arrays by their shared name
    const char* caption = "";                       // the label text (or the box's own text)
    const char* bidirectionalCaption = nullptr;     // on the bidirectional path, if another
    const char* unit = "";                          // "s", "min", "h", "MHz", "W", "Hz"
    char tag = 0;                                   // key filter: 'I' whole, 'D' decimal
    int typingLimit = 0;                            // most characters keys make; 0 none
    bool decimalCheck = false;                      // the range check skips the rounding
    RangeOf entryRange = nullptr;                   // lost-focus check; none when null
    RangeOf storedRange = nullptr;                  // what the image holds; none when null
    const char* recordField = "";                   // ConfigRecord member shown
    const char* bidirectionalRecordField = nullptr; // on the bidirectional path, if another
};

// Every field of the editor, in the order of the frames.
std::span<const EditorField> editorFields();

// The field of a control; a member of an array ("optNumIngressi_4") finds its array's row.
const EditorField* editorField(QStringView control);

// The caption of a field, which for the repeater box follows the path.
QString fieldCaption(const EditorField& field, const FieldContext& context = {});
// The same by control name; the name itself when the editor has no such field.
QString fieldCaption(QStringView control, const FieldContext& context = {});

// The caption and unit of a member of the configuration record: those of the first field that
// shows it (the repeater box has its own caption for the bidirectional input); empty when the
// editor shows the member nowhere.
QString recordFieldCaption(QStringView recordField);
QString recordFieldUnit(QStringView recordField);

std::optional<FieldRange> entryRange(const EditorField& field, const FieldContext& context);
std::optional<FieldRange> storedRange(const EditorField& field, const FieldContext& context);

} // namespace selvana
