#pragma once

#include "registry/site_sheet.h"
#include "registry/unit_record.h"

#include <QByteArray>
#include <QDateTime>
#include <QFont>
#include <QList>
#include <QSet>

#include <optional>

namespace selvana::print {

// The site sheet as a PDF, in DejaVu Sans (another sans-serif face where it is missing, and
// the system's fallback for letters neither has) embedded in the file, so that any name prints
// as typed on every reader. Fonts need a QGuiApplication (the offscreen platform will do); without
// one, and when the PDF cannot be made, returns the Italian reason and leaves `pdf` empty.
// `duplicated`: the serial numbers of the units whose code another unit of the network holds
// too (registry::duplicatedSerials()).
std::optional<QString> siteSheetPdf(const QList<registry::UnitRecord>& units,
                                    const QDateTime& printed, QByteArray& pdf,
                                    const QSet<QString>& duplicated = {});

// The same for a sheet already laid out.
std::optional<QString> sheetPdf(const registry::SiteSheet& sheet, QByteArray& pdf);

// The sheet laid out with the widths its printed font gives. Needs a QGuiApplication.
registry::SiteSheet siteSheetLayout(const QList<registry::UnitRecord>& units,
                                    const QDateTime& printed, const QSet<QString>& duplicated = {});

// The face the sheet prints its texts in, at a size in points, and the widths it gives them.
QFont sheetFont(double size, bool bold);
registry::TextWidth sheetTextWidth();

} // namespace selvana::print
