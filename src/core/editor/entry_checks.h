#pragma once

#include "core/editor/editor_controls.h"
#include "core/fields/field_table.h"

namespace selvana::editor {

class EditorState;

// What the field table's ranges and captions depend on, as the editor shows it now.
FieldContext fieldContext(const EditorState& e);

// Change handler of the text boxes: keeps the Hex copies of the SICEP offsets, checks the
// peripheral code again, decides "SAVE" on the serial number's length. A refused key never
// reaches a text, so nothing is undone here.
void textBox_Change(EditorState& e, Ctl box);

// Lost-focus handler: the peripheral code and the serial number run their own checks; a box
// with a range takes the focus back when empty, and when out of range also turns red; a valid
// value turns black. Nothing is judged while the program presents.
void textBox_LostFocus(EditorState& e, Ctl box);

// Whether a box with a range holds a value in it: whole-number boxes and the frequency compare
// the value rounded half to even, the lock time the decimal itself. An empty text, or one that
// is not a number in the user's format (pasted), is out of range.
bool numericBoxValid(const EditorState& e, Ctl box);

// Whether the code box holds a code valid for the selected protocol.
bool peripheralCodeValid(const EditorState& e);

// Red text, the focus back and "SAVE" off for a code out of the protocol's range; black and
// "SAVE" on otherwise; an empty box only takes the focus back.
void CheckCodicePeriferica(EditorState& e);

void txtSerialNumber_Change(EditorState& e);
void txtSerialNumber_LostFocus(EditorState& e);

// The verdict on a key about to be typed into a box: keyCode is the character's code (8 for
// backspace, negative for keys that type no character, which are never judged). A tagged box
// takes what its filter admits; no box takes a character that would make its text longer than
// its typing limit, counting the selected characters the key replaces.
bool keyAccepted(const EditorState& e, Ctl box, int selectionLength, int keyCode);

} // namespace selvana::editor
