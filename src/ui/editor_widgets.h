#pragma once

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QWidget;

namespace selvana {

// Small operations on list and option controls that behave as the rules expect: a position the
// list does not have is refused and the list keeps its selection; an option group can be left
// with no member selected.
bool setListPosition(QComboBox* list, int position);

// A control's own "Enabled" flag, whatever its frame: the editor's frames are disabled as a
// whole while a panel covers them, and the rules must not mistake that for their own choice.
bool ownEnabled(const QWidget* control);
void selectMember(QButtonGroup* group, QAbstractButton* member); // nullptr clears the group
void clearMembers(QButtonGroup* group);

} // namespace selvana
