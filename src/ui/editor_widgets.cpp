#include "ui/editor_widgets.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QWidget>

namespace selvana {

bool setListPosition(QComboBox* list, int position) {
    if (position < -1 || position >= list->count())
        return false;
    list->setCurrentIndex(position);
    return true;
}

bool ownEnabled(const QWidget* control) {
    return !control->testAttribute(Qt::WA_ForceDisabled);
}

void selectMember(QButtonGroup* group, QAbstractButton* member) {
    if (member)
        member->setChecked(true);
    else
        clearMembers(group);
}

void clearMembers(QButtonGroup* group) {
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}

} // namespace selvana
