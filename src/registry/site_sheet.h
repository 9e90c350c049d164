#pragma once

#include "registry/unit_record.h"

#include <QDateTime>
#include <QLineF>
#include <QList>
#include <QRectF>
#include <QSet>
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

// For each site among the units, its name, the installers, the days of the work and the day
// of printing, then one row per peripheral (code, serial number, protocol, network,
// frequency, last outcome and when it was written) in order of code, then serial number.
// When the units have zones (descriptions), the rows are grouped under a heading per zone,
// the zones in order of their lowest code and the units without one last. After the rows come
// the count by outcome, what the marks mean and the places for the installer's and the
// customer's signatures. Every text is broken onto as many lines as it needs, never cut; a row
// never splits across pages, and each page repeats the heading. Each site starts on a page of
// its own, and no unit gives one page that says so. `units` holds one record per peripheral
// (UnitRegister::units()); `duplicated` the serial numbers of the units whose code another unit
// of the network holds too; `printed` is the time of printing.
SiteSheet siteSheetLayout(const QList<UnitRecord>& units, const QSet<QString>& duplicated,
                          const QDateTime& printed, const TextWidth& width);

// Rows of one line that fit one page of the sheet with its end (count and signatures), when
// the heading takes a line per item and nothing is marked.
int siteSheetRowsPerPage();

// The text on lines no wider than `maxWidth`: broken where a line may break, and inside a word
// too long for a line between letters as a reader sees them.
QStringList wrappedText(const QString& text, double maxWidth, double size, bool bold,
                        const TextWidth& width);

// The serial numbers of the units shown whose shown write holds a code that another unit of the
// same network holds too.
QSet<QString> duplicatedSerials(const QList<DuplicateCode>& codes, const QList<UnitRecord>& units);

// Whether the unit's last write left it programmed as recorded.
inline bool programmed(const UnitRecord& unit) {
    return unit.outcome == Outcome::Written;
}

// The sign beside an outcome that left the unit unprogrammed (or unconfirmed), and beside a code
// held twice: the site sheet and the register window mark them alike.
QString failedMark();
QString duplicateMark();

// The units counted by outcome, and those with a code held twice: "36 periferiche: 33
// programmate, 1 rifiutata, 2 senza risposta; 2 con codice doppio".
QString unitsCountText(const QList<UnitRecord>& units, const QSet<QString>& duplicated);

} // namespace selvana::registry
