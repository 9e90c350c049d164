#pragma once

#include "registry/unit_record.h"

#include <QDateTime>
#include <QLineF>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>

namespace selvana::registry {

// The printable sheet of a site as what to draw where, so that the register decides its content
// and layout without a display; the print layer paints it. Positions are points from the
// page's top-left corner.

struct SheetText {
    enum class Align { Left, Right };
    QString text;
    double x = 0;        // the left end of the text, or its right end when aligned right
    double baseline = 0; // y of the baseline
    double size = 0;     // points
    bool bold = false;
    Align align = Align::Left;
};

struct SheetLine {
    QLineF line;
    double width = 0.5;
};

struct SheetBox {
    QRectF rect;
    double grey = 0.85; // 0 black .. 1 white
};

struct SheetPage {
    QList<SheetBox> boxes; // under the lines and texts
    QList<SheetLine> lines;
    QList<SheetText> texts;

    // The texts in the order they were laid out: the heading, the table row by row, the foot.
    QStringList textList() const;
};

struct SiteSheet {
    QSizeF pageSize; // points: A4 landscape
    QString title;
    QList<SheetPage> pages;
};

// The width in points of a text at a size, as the font that will print it measures it.
using TextWidth = std::function<double(const QString& text, double size, bool bold)>;

// For each site among the units, its name, the days and the installers of the work, then one
// row per peripheral (serial number, description, protocol, network, code, frequency, last
// outcome), on as many pages as needed with the heading repeated; each site starts on a page
// of its own, and no unit gives one page that says so. `units` holds one record per peripheral
// (UnitRegister::units()); `printed` is the time shown at the foot of each page. Texts too wide
// for their place are cut to fit as `width` measures them.
SiteSheet siteSheetLayout(const QList<UnitRecord>& units, const QDateTime& printed,
                          const TextWidth& width);

// Rows that fit one page of the sheet.
int siteSheetRowsPerPage();

// The text cut to fit `maxWidth`, ending in "…" when cut.
QString fittedText(const QString& text, double maxWidth, double size, bool bold,
                   const TextWidth& width);

} // namespace selvana::registry
