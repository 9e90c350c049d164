#include "ui/font_preparation.h"

#include <QThread>

#include <cstdlib>

#ifdef SELVANA_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace selvana {

namespace {

[[maybe_unused]] bool machineHasProcessorToSpare() {
    double load = 0;
#ifdef Q_OS_UNIX
    if (getloadavg(&load, 1) != 1)
        return false;
#endif
    return processorToSpare(QThread::idealThreadCount(), load);
}

} // namespace

bool processorToSpare(int processors, double loadAverage) {
    return processors - loadAverage >= 3;
}

FontPreparation::FontPreparation([[maybe_unused]] Start start) {
#ifdef SELVANA_FONTCONFIG
    if (start == Start::Always || machineHasProcessorToSpare()) {
        // Qt's own FcInit() then returns at once: fontconfig keeps one configuration per process.
        thread_ = std::thread([] { FcInit(); });
        started_ = true;
    }
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
