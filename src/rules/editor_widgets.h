#pragma once

class QAbstractButton;
class QButtonGroup;
class QComboBox;

namespace selvana {

// Small operations on list and option controls that behave as the rules expect: a position the
// list does not have is refused and the list keeps its selection; an option group can be left
// with no member selected.
bool setListPosition(QComboBox* list, int position);
void selectMember(QButtonGroup* group, QAbstractButton* member); // nullptr clears the group
void clearMembers(QButtonGroup* group);

} // namespace selvana
