#include "ui/network_selector.h"

#include "core/networks/network_list.h"
#include "core/options/option_lists.h"
#include "ui/editor_context.h"
#include "ui/editor_widgets.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace selvana {

namespace {

constexpr int kUnlistedRole = Qt::UserRole + 1;

bool isUnlistedItem(const QComboBox* list, int position) {
    return list->itemData(position, kUnlistedRole).toBool();
}

int networkPosition(EditorContext& ctx, std::int32_t code) {
    if (!isUnlistedNetwork(code, ctx.s.networkList))
        return LookupReti(code, ctx.s.networkList);
    QComboBox* list = ctx.c.cmbCodiceRete;
    const QString text = cmbCodiceReteUnlistedItem(code);
    for (int position = 0; position < list->count(); ++position)
        if (isUnlistedItem(list, position) && list->itemText(position) == text)
            return position;
    // One unlisted code at a time: the record holds one network.
    dropUnlistedNetwork(list);
    const QSignalBlocker quiet(list);
    const int selected = list->currentIndex();
    list->addItem(text);
    list->setItemData(list->count() - 1, true, kUnlistedRole);
    list->setCurrentIndex(selected); // an empty list selects its first item by itself
    return list->count() - 1;
}

} // namespace

void selectNetwork(EditorContext& ctx, std::int32_t code) {
    setListPosition(ctx.c.cmbCodiceRete, networkPosition(ctx, code));
}

void dropUnlistedNetwork(QComboBox* list) {
    const QSignalBlocker quiet(list);
    for (int position = list->count() - 1; position >= 0; --position) {
        if (!isUnlistedItem(list, position))
            continue;
        const bool selected = list->currentIndex() == position;
        list->removeItem(position);
        if (selected)
            list->setCurrentIndex(-1);
    }
}

} // namespace selvana
