#pragma once

#include "registry/unit_record.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

namespace selvana::registry {

// The printable sheet of a site: for each site among the units, its name, the days and the
// installers of the work, then one row per peripheral (serial number, description, protocol,
// network, code, frequency, last outcome), on as many A4 landscape pages as needed with the
// heading repeated. Each site starts on a page of its own. `units` holds one record per
// peripheral (UnitRegister::units()); `printed` is the time shown at the foot of each page.
QByteArray siteSheetPdf(const QList<UnitRecord>& units, const QDateTime& printed);

// Rows that fit one page of the sheet.
int siteSheetRowsPerPage();

} // namespace selvana::registry
