#include "ui/resources.h"

#include <QtGlobal>

static void registerIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace selvana {

void ensureResources() {
    static const bool registered = (registerIcons(), true);
    Q_UNUSED(registered);
}

} // namespace selvana
