#include "ui/font_preparation.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>

#ifdef SELVANA_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace selvana {

FontPreparation::FontPreparation() {
    thread_ = std::thread([go = go_.get_future()]() mutable {
#ifdef SELVANA_FONTCONFIG
        // Loading it twice (here and by Qt) is safe: fontconfig keeps one configuration.
        FcInit();
#endif
        if (!go.get())
            return;
        QFontDatabase::families();
        QFontMetrics(QGuiApplication::font()).height();
    });
}

FontPreparation::~FontPreparation() {
    wait();
}

void FontPreparation::applicationCreated() {
    if (!told_) {
        told_ = true;
        go_.set_value(true);
    }
}

void FontPreparation::wait() {
    if (!told_) {
        told_ = true;
        go_.set_value(false);
    }
    if (thread_.joinable())
        thread_.join();
}

} // namespace selvana
