#pragma once

class QWidget;

namespace selvana {

struct EditorContext;
class TaggedLineEdit;

// Change handler of the eleven numeric boxes: undoes a key the filter refused, keeps the Hex
// copies of the SICEP offsets, re-checks the peripheral code.
void NumericBox_Change(EditorContext& ctx, TaggedLineEdit* box);

// Lost-focus handler of the ten range-checked boxes: an empty box or a value out of range takes
// the focus back (and turns red when out of range); a valid value turns black.
void NumericBox_LostFocus(EditorContext& ctx, TaggedLineEdit* box);

// Whether the box's value lies in its range (false for an empty or non-numeric text).
bool numericBoxValid(const EditorContext& ctx, const TaggedLineEdit* box);

// Gives the focus to a box that refuses to be left. While one box is taking the focus back,
// another box losing it does not take it again: two invalid boxes never fight over it. A hidden
// or disabled box does not take it.
void giveFocusBack(EditorContext& ctx, QWidget* box);

} // namespace selvana
