#pragma once

#include "serial/port_enumerator.h"
#include "serial/port_slots.h"

#include <QList>
#include <QString>

namespace selvana {
class SettingsStore;
} // namespace selvana

namespace selvana::cli {

class Console;

// porte: the serial ports present, and the ports "Com 01:" to "Com 04:" of the window with the
// device each stands for. `assigned` and `matches` hold the four ports in order; `chosen` is the
// port stored by the window (0 for none).
QString portsReport(const QList<DetectedPort>& present, const QList<SlotAssignment>& assigned,
                    const QList<SlotMatch>& matches, int chosen);

// Prints the report of the ports present now; always succeeds.
int listPorts(Console& console, const PortEnumerator& ports, const SettingsStore& settings);

} // namespace selvana::cli
