#include "ui/font_preparation.h"

#ifdef SELVANA_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace selvana {

FontPreparation::FontPreparation() {
#ifdef SELVANA_FONTCONFIG
    // Qt's own FcInit() then returns at once: fontconfig keeps one configuration per process.
    thread_ = std::thread([] { FcInit(); });
#endif
}

FontPreparation::~FontPreparation() {
    wait();
}

void FontPreparation::wait() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace selvana
