#pragma once

#include <QtGlobal>

#ifdef Q_OS_WIN
#include "serial/win32_serial_link.h"
#else
#include "serial/qt_serial_link.h"
#endif

namespace selvana {

// The link the programs open on a real port.
#ifdef Q_OS_WIN
using SystemSerialLink = Win32SerialLink;
#else
using SystemSerialLink = QtSerialLink;
#endif

} // namespace selvana
