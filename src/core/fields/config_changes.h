#pragma once

#include "core/image/config_record.h"
#include "core/networks/network_list.h"

#include <QList>
#include <QString>

namespace selvana {

// One difference between two configurations, as a person reads it.
struct ConfigChange {
    QString label;  // the field's caption and unit as the editor shows them: "Tempo Sirena (s)"
    QString before; // the values as the editor shows them
    QString after;
    bool shown = true; // false: bytes or bits the editor shows nowhere
};

// What changes from `before` to `after` (images 1..64, the same serial number or none), one
// entry per field of the record that differs, in the editor's order, then one per byte whose
// change no field shows (a masked bit, a byte the editor rebuilds); the checksum byte follows
// the others and is not named. A network is named with its description when `networks` lists
// it. The one list the window, the command line and the register show.
QList<ConfigChange> configurationChanges(const Image& before, const Image& after,
                                         const NetworkList* networks = nullptr);

// "Codice Periferica: 300 → 301".
QString changeLine(const ConfigChange& change);
QStringList changeLines(const QList<ConfigChange>& changes);

} // namespace selvana
