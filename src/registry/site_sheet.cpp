#include "registry/site_sheet.h"

#include <QMap>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace selvana::registry {

namespace {

constexpr double kPageWidth = 841.89; // A4 landscape, points
constexpr double kPageHeight = 595.28;
constexpr double kMargin = 40.0;
constexpr double kContentWidth = kPageWidth - 2 * kMargin;
constexpr double kPadding = 4.0; // between a cell's edge and its text

// The table: a row of one line, and each further line of its tallest cell.
constexpr double kTextSize = 9.5;
constexpr double kRowHeight = 17.0;
constexpr double kRowBaseline = 12.0; // from a row's top to its first line's baseline
constexpr double kLine = 11.5;

// The heading: the title, then an item per line (a long one on more lines).
constexpr double kTitleSize = 18;
constexpr double kTitleBaseline = kMargin + 14;
constexpr double kItemSize = 11;
constexpr double kFirstItemBaseline = kMargin + 40;
constexpr double kItemLine = 14;
constexpr double kItemGap = 2;   // further between two items
constexpr double kTableGap = 18; // from the last item's baseline to the table

// The foot: the site and the time of printing on the left, the page on the right.
constexpr double kFootSize = 8;
constexpr double kFootLine = 10;
constexpr double kLastFootBaseline = kPageHeight - 24;
constexpr double kPageNumberRoom = 100;
constexpr double kFootGap = 10; // kept free between the table and the foot

// The end: the count, what the marks mean, the lines to sign on.
constexpr double kCountSize = 10;
constexpr double kCountLine = 13;
constexpr double kCountGap = 16; // from the last row to the count's baseline
constexpr double kLegendSize = 9;
constexpr double kLegendLine = 12;
constexpr double kSignatureGap = 40; // from the last text's baseline to the lines
constexpr double kSignatureWidth = 260;
constexpr double kSignatureLabel = 12; // from the line to its caption's baseline

struct Column {
    const char* title;
    double width;
    bool right; // numbers align right
};

// Wide enough for the titles and the longest outcome in DejaVu Sans on one line; the widths
// make up the page less its margins.
constexpr Column kColumns[] = {
    {"N.", 28, true},
    {"Codice", 56, true},
    {"Numero di serie", 110, false},
    {"Protocollo", 110, false},
    {"Rete", 56, true},
    {"Frequenza (MHz)", 110, true},
    {"Esito", 150, false},
    {"Data della scrittura", kContentWidth - 620, false},
};

struct Cell {
    QString text;
    bool bold = false;
};

QList<Cell> cellsOf(int n, const UnitRecord& u, bool doubled) {
    const QString code = QString::number(u.peripheralCode);
    const QString outcome = outcomeText(u.outcome);
    return {{QString::number(n)},
            {doubled ? duplicateMark() + QLatin1Char(' ') + code : code, doubled},
            {u.serialNumber},
            {protocolName(u.protocol)},
            {networkText(u.network)},
            {frequencyText(u.frequencyMHz)},
            {programmed(u) ? outcome : failedMark() + QLatin1Char(' ') + outcome, !programmed(u)},
            {timeText(u.time)}};
}

QList<Cell> titleCells() {
    QList<Cell> cells;
    for (const Column& c : kColumns)
        cells << Cell{QLatin1String(c.title), true};
    return cells;
}

QString daysOf(const QList<UnitRecord>& units) {
    QDate first;
    QDate last;
    for (const UnitRecord& u : units) {
        const QDate d = u.time.toLocalTime().date();
        if (!first.isValid() || d < first)
            first = d;
        if (!last.isValid() || d > last)
            last = d;
    }
    const QString format = QStringLiteral("dd/MM/yyyy");
    if (!first.isValid())
        return {};
    return first == last
               ? first.toString(format)
               : QStringLiteral("dal %1 al %2").arg(first.toString(format), last.toString(format));
}

QString installersOf(const QList<UnitRecord>& units) {
    QStringList names;
    for (const UnitRecord& u : units) {
        if (!names.contains(u.installer))
            names << u.installer;
    }
    return names.join(QStringLiteral(", "));
}

// The units under one zone's heading; no heading when no unit has a zone.
struct Group {
    QString title;
    QList<UnitRecord> units;
};

// In order of code, then serial number; zones in order of their lowest code, the units without
// one last. One zone however its letters are cased.
QList<Group> groupsOf(QList<UnitRecord> units) {
    std::stable_sort(units.begin(), units.end(), [](const UnitRecord& a, const UnitRecord& b) {
        return a.peripheralCode != b.peripheralCode ? a.peripheralCode < b.peripheralCode
                                                    : a.serialNumber < b.serialNumber;
    });
    const bool zoned = std::any_of(units.begin(), units.end(), [](const UnitRecord& u) {
        return !u.description.trimmed().isEmpty();
    });
    if (!zoned)
        return {Group{QString(), units}};
    QList<Group> groups;
    QMap<QString, qsizetype> at;
    Group unzoned{QStringLiteral("Senza zona"), {}};
    for (const UnitRecord& u : units) {
        const QString zone = u.description.trimmed();
        if (zone.isEmpty()) {
            unzoned.units << u;
            continue;
        }
        const QString key = zone.toCaseFolded();
        if (!at.contains(key)) {
            at.insert(key, groups.size());
            groups << Group{zone, {}};
        }
        groups[at.value(key)].units << u;
    }
    if (!unzoned.units.isEmpty())
        groups << unzoned;
    return groups;
}

class PageBuilder {
public:
    PageBuilder(SheetPage* page, const TextWidth& width) : page_(page), width_(width) {}

    const TextWidth& width() const { return width_; }
    // Whether it only measures: then nothing is drawn.
    bool measuring() const { return page_ == nullptr; }

    void text(double x, double y, const QString& text, double size, bool bold = false,
              SheetText::Align align = SheetText::Align::Left) {
        if (page_)
            page_->texts << SheetText{text, x, y, size, bold, align};
    }
    // Lines `advance` apart from the baseline y, left or right in a place `room` wide starting
    // at x.
    void lines(double x, double room, double y, const QStringList& lines, double size, bool bold,
               bool right, double advance) {
        for (const QString& line : lines) {
            if (right)
                text(x + room, y, line, size, bold, SheetText::Align::Right);
            else
                text(x, y, line, size, bold);
            y += advance;
        }
    }
    QStringList wrapped(const QString& text, double room, double size, bool bold) const {
        return wrappedText(text, room, size, bold, width_);
    }
    void line(double x1, double y1, double x2, double y2, double w) {
        if (page_)
            page_->lines << SheetLine{QLineF(x1, y1, x2, y2), w};
    }
    void box(double x, double y, double w, double h, double grey) {
        if (page_)
            page_->boxes << SheetBox{QRectF(x, y, w, h), grey};
    }

private:
    SheetPage* page_;
    const TextWidth& width_;
};

// The parts of the sheet draw themselves from a top (or a baseline) and give back the height
// they took, so that the same code measures them before a page is chosen for them.

// A row of cells; the tallest sets its height.
double row(PageBuilder& page, double top, const QList<Cell>& cells, double grey = -1) {
    QList<QStringList> lines;
    qsizetype most = 1;
    for (int i = 0; i < cells.size(); ++i) {
        lines << page.wrapped(cells[i].text, kColumns[i].width - 2 * kPadding, kTextSize,
                              cells[i].bold);
        most = qMax(most, lines.last().size());
    }
    const double height = kRowHeight + double(most - 1) * kLine;
    if (grey >= 0)
        page.box(kMargin, top, kContentWidth, height, grey);
    double x = kMargin;
    for (int i = 0; i < cells.size(); ++i) {
        page.lines(x + kPadding, kColumns[i].width - 2 * kPadding, top + kRowBaseline, lines[i],
                   kTextSize, cells[i].bold, kColumns[i].right, kLine);
        x += kColumns[i].width;
    }
    if (grey < 0)
        page.line(kMargin, top + height, kPageWidth - kMargin, top + height, 0.3);
    return height;
}

// A zone's heading across the table.
double groupHeading(PageBuilder& page, double top, const QString& title) {
    const QStringList lines = page.wrapped(title, kContentWidth - 2 * kPadding, kTextSize, true);
    const double height = kRowHeight + double(lines.size() - 1) * kLine;
    page.box(kMargin, top, kContentWidth, height, 0.93);
    page.lines(kMargin + kPadding, 0, top + kRowBaseline, lines, kTextSize, true, false, kLine);
    return height;
}

struct SiteFacts {
    QString site;
    QList<UnitRecord> units;
    QSet<QString> duplicated;
    QDateTime printed;
};

bool isDoubled(const SiteFacts& facts, const UnitRecord& u) {
    return facts.duplicated.contains(u.serialNumber);
}

// The title and the items; gives back where the table starts.
double heading(PageBuilder& page, const SiteFacts& facts) {
    page.text(kMargin, kTitleBaseline, QStringLiteral("Scheda impianto"), kTitleSize, true);
    const QList<std::pair<QString, QString>> items = {
        {QStringLiteral("Sito:"),
         facts.site.isEmpty() ? QStringLiteral("(senza nome)") : facts.site},
        {QStringLiteral("Installatore:"), installersOf(facts.units)},
        {QStringLiteral("Programmazione:"), daysOf(facts.units)},
        {QStringLiteral("Data di stampa:"), timeText(facts.printed)},
    };
    double labelWidth = 0;
    for (const auto& item : items)
        labelWidth = qMax(labelWidth, page.width()(item.first, kItemSize, true));
    labelWidth += 10;
    double y = kFirstItemBaseline;
    for (const auto& [label, value] : items) {
        page.text(kMargin, y, label, kItemSize, true);
        const QStringList lines = page.wrapped(value, kContentWidth - labelWidth, kItemSize, false);
        page.lines(kMargin + labelWidth, 0, y, lines, kItemSize, false, false, kItemLine);
        y += double(lines.size()) * kItemLine + kItemGap;
    }
    return y - kItemLine - kItemGap + kTableGap;
}

QStringList footLines(PageBuilder& page, const SiteFacts& facts) {
    return page.wrapped(
        QStringLiteral("%1 - stampata il %2").arg(facts.site, timeText(facts.printed)),
        kContentWidth - kPageNumberRoom, kFootSize, false);
}

// The lowest the table and the end may reach above a foot of that many lines.
double tableBottom(qsizetype footLines) {
    return kLastFootBaseline - double(footLines - 1) * kFootLine - kFootSize - kFootGap;
}

void foot(PageBuilder& page, const QStringList& lines, int number, int pages) {
    const double first = kLastFootBaseline - double(lines.size() - 1) * kFootLine;
    page.lines(kMargin, 0, first, lines, kFootSize, false, false, kFootLine);
    page.text(kPageWidth - kMargin, kLastFootBaseline,
              QStringLiteral("Pagina %1 di %2").arg(number).arg(pages), kFootSize, false,
              SheetText::Align::Right);
}

// The count, what the marks mean (those used), the lines to sign on.
double end(PageBuilder& page, double top, const SiteFacts& facts) {
    double y = top + kCountGap;
    const QStringList count = page.wrapped(
        QStringLiteral("Totale: %1.").arg(unitsCountText(facts.units, facts.duplicated)),
        kContentWidth, kCountSize, true);
    page.lines(kMargin, 0, y, count, kCountSize, true, false, kCountLine);
    y += double(count.size() - 1) * kCountLine;
    QStringList legend;
    if (std::any_of(facts.units.begin(), facts.units.end(),
                    [](const UnitRecord& u) { return !programmed(u); }))
        legend << failedMark() +
                      QStringLiteral(" Scrittura rifiutata, senza risposta o interrotta (porta "
                                     "persa): la periferica non risulta programmata; va riletta "
                                     "e programmata di nuovo.");
    if (std::any_of(facts.units.begin(), facts.units.end(),
                    [&](const UnitRecord& u) { return isDoubled(facts, u); }))
        legend << duplicateMark() +
                      QStringLiteral(" Codice doppio: un'altra periferica della stessa rete ha lo "
                                     "stesso codice e la centrale ricevente non le distingue; a "
                                     "una delle due va dato un altro codice.");
    for (const QString& entry : legend) {
        y += kLegendLine + 2;
        const QStringList lines = page.wrapped(entry, kContentWidth, kLegendSize, false);
        page.lines(kMargin, 0, y, lines, kLegendSize, false, false, kLegendLine);
        y += double(lines.size() - 1) * kLegendLine;
    }
    y += kSignatureGap;
    const double right = kPageWidth - kMargin - kSignatureWidth;
    for (const auto& [x, caption] : {std::pair{kMargin, QStringLiteral("Firma dell'installatore")},
                                     std::pair{right, QStringLiteral("Firma del cliente")}}) {
        page.line(x, y, x + kSignatureWidth, y, 0.5);
        page.text(x, y + kSignatureLabel, caption, kLegendSize);
    }
    return y + kSignatureLabel + 3 - top;
}

void layOutSite(SiteSheet& sheet, const SiteFacts& facts, const TextWidth& width) {
    PageBuilder measure(nullptr, width);
    const QStringList footText = footLines(measure, facts);
    const double bottom = tableBottom(footText.size());
    const double endHeight = end(measure, 0, facts);
    const QList<Group> groups = groupsOf(facts.units);

    const qsizetype firstPage = sheet.pages.size();
    const auto page = [&] { return PageBuilder(&sheet.pages.last(), width); };
    double y = 0;
    int rowsOnPage = 0;
    const auto newPage = [&] {
        sheet.pages.emplace_back();
        PageBuilder p = page();
        const double top = heading(p, facts);
        y = top + row(p, top, titleCells(), 0.85);
        rowsOnPage = 0;
    };
    newPage();
    int n = 0;
    for (const Group& group : groups) {
        const bool titled = !group.title.isEmpty();
        for (qsizetype i = 0; i < group.units.size(); ++i) {
            ++n;
            const QList<Cell> cells = cellsOf(n, group.units[i], isDoubled(facts, group.units[i]));
            // A zone's heading stays with its first row, and the end with the last row.
            double needed = row(measure, 0, cells);
            if (titled && i == 0)
                needed += groupHeading(measure, 0, group.title);
            if (n == facts.units.size())
                needed += endHeight;
            if (rowsOnPage > 0 && y + needed > bottom)
                newPage();
            PageBuilder p = page();
            if (titled && (i == 0 || rowsOnPage == 0))
                y += groupHeading(p, y,
                                  i == 0 ? group.title : group.title + QStringLiteral(" (segue)"));
            y += row(p, y, cells);
            ++rowsOnPage;
        }
    }
    PageBuilder last = page();
    end(last, y, facts);
    const int pages = int(sheet.pages.size() - firstPage);
    for (int i = 0; i < pages; ++i) {
        PageBuilder p(&sheet.pages[firstPage + i], width);
        foot(p, footText, i + 1, pages);
    }
}

QList<qsizetype> boundaries(const QString& text, QTextBoundaryFinder::BoundaryType type) {
    QList<qsizetype> at;
    QTextBoundaryFinder finder(type, text);
    for (qsizetype b = finder.toNextBoundary(); b > 0; b = finder.toNextBoundary())
        at << b;
    return at;
}

QString withoutTrailingSpace(QString text) {
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return text;
}

} // namespace

QStringList SheetPage::textList() const {
    QStringList list;
    for (const SheetText& t : texts)
        list << t.text;
    return list;
}

QString failedMark() {
    return QStringLiteral("✗");
}

QString duplicateMark() {
    return QStringLiteral("⚠");
}

int siteSheetRowsPerPage() {
    // As the heading and the end measure with one line each, whatever the font.
    const double top = kFirstItemBaseline + 3 * (kItemLine + kItemGap) + kTableGap + kRowHeight;
    const double end = kCountGap + kSignatureGap + kSignatureLabel + 3;
    return static_cast<int>((tableBottom(1) - top - end) / kRowHeight);
}

QStringList wrappedText(const QString& text, double maxWidth, double size, bool bold,
                        const TextWidth& width) {
    if (width(text, size, bold) <= maxWidth)
        return {text};
    const auto fits = [&](qsizetype from, qsizetype to) {
        return width(withoutTrailingSpace(text.mid(from, to - from)), size, bold) <= maxWidth;
    };
    // A longer piece is never narrower: the first that does not fit ends the search.
    const QList<qsizetype> breaks = boundaries(text, QTextBoundaryFinder::Line);
    const QList<qsizetype> letters = boundaries(text, QTextBoundaryFinder::Grapheme);
    QStringList lines;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = start;
        for (const qsizetype b : breaks) {
            if (b <= start)
                continue;
            if (!fits(start, b))
                break;
            end = b;
        }
        // A word longer than a line: as many letters as fit, one at least.
        for (const qsizetype b : letters) {
            if (end > start && (b <= end || !fits(start, b)))
                break;
            if (b > start)
                end = b;
        }
        const QString line = withoutTrailingSpace(text.mid(start, end - start));
        if (!line.isEmpty())
            lines << line;
        start = end;
    }
    return lines.isEmpty() ? QStringList{QString()} : lines;
}

QSet<QString> duplicatedSerials(const QList<DuplicateCode>& codes, const QList<UnitRecord>& units) {
    const auto key = [](const QString& serial, int protocol, int network, int code) {
        return QStringLiteral("%1/%2/%3/%4").arg(serial).arg(protocol).arg(network).arg(code);
    };
    QSet<QString> held;
    for (const DuplicateCode& d : codes)
        for (const UnitRecord& u : d.units)
            held.insert(key(u.serialNumber, d.protocol, d.network, d.peripheralCode));
    QSet<QString> out;
    for (const UnitRecord& u : units)
        if (held.contains(key(u.serialNumber, u.protocol, u.network, u.peripheralCode)))
            out.insert(u.serialNumber);
    return out;
}

QString unitsCountText(const QList<UnitRecord>& units, const QSet<QString>& duplicated) {
    QMap<Outcome, qsizetype> by;
    qsizetype doubled = 0;
    for (const UnitRecord& u : units) {
        ++by[u.outcome];
        doubled += duplicated.contains(u.serialNumber);
    }
    const auto count = [](qsizetype n, const char* one, const char* many) {
        return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    QStringList parts{count(by.value(Outcome::Written), "programmata", "programmate")};
    if (by.value(Outcome::Refused))
        parts << count(by.value(Outcome::Refused), "rifiutata", "rifiutate");
    if (by.value(Outcome::NoAnswer))
        parts << count(by.value(Outcome::NoAnswer), "senza risposta", "senza risposta");
    if (by.value(Outcome::PortLost))
        parts << count(by.value(Outcome::PortLost), "con la porta persa", "con la porta persa");
    QString text = count(units.size(), "periferica", "periferiche") + QStringLiteral(": ") +
                   parts.join(QStringLiteral(", "));
    if (doubled)
        text += QStringLiteral("; ") + count(doubled, "con codice doppio", "con codice doppio");
    return text;
}

SiteSheet siteSheetLayout(const QList<UnitRecord>& units, const QSet<QString>& duplicated,
                          const QDateTime& printed, const TextWidth& width) {
    SiteSheet sheet{QSizeF(kPageWidth, kPageHeight), QStringLiteral("Scheda impianto"), {}};
    // Sites in the order of their first unit.
    QStringList sites;
    QMap<QString, QList<UnitRecord>> bySite;
    for (const UnitRecord& u : units) {
        if (!bySite.contains(u.site))
            sites << u.site;
        bySite[u.site] << u;
    }
    for (const QString& site : sites)
        layOutSite(sheet, SiteFacts{site, bySite[site], duplicated, printed}, width);
    if (sites.isEmpty()) {
        sheet.pages.emplace_back();
        PageBuilder page(&sheet.pages.last(), width);
        page.text(kMargin, kTitleBaseline, QStringLiteral("Scheda impianto"), kTitleSize, true);
        page.text(kMargin, kFirstItemBaseline, nothingFoundText(), kItemSize);
    }
    return sheet;
}

} // namespace selvana::registry
