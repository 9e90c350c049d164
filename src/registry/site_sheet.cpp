#include "registry/site_sheet.h"

#include <QMap>
#include <QTextBoundaryFinder>

namespace selvana::registry {

namespace {

constexpr double kPageWidth = 841.89; // A4 landscape, points
constexpr double kPageHeight = 595.28;
constexpr double kMargin = 40.0;
constexpr double kRowHeight = 17.0;
constexpr double kTableTop = 132.0;
constexpr double kTableBottom = kPageHeight - 50.0;
constexpr double kTextSize = 9.5;
constexpr double kPadding = 4.0; // between a cell's edge and its text

struct Column {
    const char* title;
    double width;
    bool right; // numbers align right
};

// Wide enough for the titles and the longest outcome in DejaVu Sans; the description takes the
// rest of the page.
constexpr Column kColumns[] = {
    {"N.", 28, true},
    {"Numero di serie", 96, false},
    {"Descrizione", 189, false},
    {"Protocollo", 70, false},
    {"Rete", 44, true},
    {"Codice", 48, true},
    {"Frequenza (MHz)", 100, true},
    {"Ultimo esito", 186, false},
};

QStringList rowOf(int n, const UnitRecord& u) {
    return {QString::number(n),
            u.serialNumber,
            u.description,
            protocolName(u.protocol),
            networkText(u.network),
            QString::number(u.peripheralCode),
            frequencyText(u.frequencyMHz),
            outcomeText(u.outcome) + QStringLiteral(" (") + timeText(u.time) + QLatin1Char(')')};
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

class PageBuilder {
public:
    PageBuilder(SheetPage& page, const TextWidth& width) : page_(page), width_(width) {}

    void text(double x, double y, const QString& text, double size, bool bold = false,
              SheetText::Align align = SheetText::Align::Left) {
        page_.texts << SheetText{text, x, y, size, bold, align};
    }
    // Left or right in a place `room` wide starting at x, cut to fit it.
    void fitted(double x, double room, double y, const QString& text, double size, bool bold,
                bool right) {
        const QString shown = fittedText(text, room, size, bold, width_);
        if (right)
            this->text(x + room, y, shown, size, bold, SheetText::Align::Right);
        else
            this->text(x, y, shown, size, bold);
    }
    void line(double x1, double y1, double x2, double y2, double w) {
        page_.lines << SheetLine{QLineF(x1, y1, x2, y2), w};
    }
    void box(double x, double y, double w, double h, double grey) {
        page_.boxes << SheetBox{QRectF(x, y, w, h), grey};
    }

private:
    SheetPage& page_;
    const TextWidth& width_;
};

void heading(PageBuilder& page, const QString& site, const QList<UnitRecord>& units) {
    page.text(kMargin, kMargin + 14, QStringLiteral("Scheda impianto"), 18, true);
    const double labelWidth = 90;
    const QList<std::pair<QString, QString>> lines = {
        {QStringLiteral("Sito:"), site.isEmpty() ? QStringLiteral("(senza nome)") : site},
        {QStringLiteral("Data:"), daysOf(units)},
        {QStringLiteral("Installatore:"), installersOf(units)},
    };
    double y = kMargin + 40;
    for (const auto& [label, value] : lines) {
        page.text(kMargin, y, label, 11, true);
        page.fitted(kMargin + labelWidth, kPageWidth - 2 * kMargin - labelWidth, y, value, 11,
                    false, false);
        y += 16;
    }
}

void tableHeader(PageBuilder& page, double y) {
    page.box(kMargin, y, kPageWidth - 2 * kMargin, kRowHeight, 0.85);
    double x = kMargin;
    for (const Column& c : kColumns) {
        page.fitted(x + kPadding, c.width - 2 * kPadding, y + 12, QLatin1String(c.title), kTextSize,
                    true, c.right);
        x += c.width;
    }
}

void row(PageBuilder& page, double y, const QStringList& cells) {
    double x = kMargin;
    for (int i = 0; i < cells.size(); ++i) {
        const Column& c = kColumns[i];
        page.fitted(x + kPadding, c.width - 2 * kPadding, y + 12, cells[i], kTextSize, false,
                    c.right);
        x += c.width;
    }
    page.line(kMargin, y + kRowHeight, kPageWidth - kMargin, y + kRowHeight, 0.3);
}

void footer(PageBuilder& page, const QString& site, int number, int pages,
            const QDateTime& printed) {
    const double y = kPageHeight - 24;
    const QString count = QStringLiteral("Pagina %1 di %2").arg(number).arg(pages);
    page.text(kPageWidth - kMargin, y, count, 8, false, SheetText::Align::Right);
    // The site's name takes what the page number leaves.
    page.fitted(kMargin, kPageWidth - 2 * kMargin - 100, y,
                QStringLiteral("%1 - stampata il %2").arg(site, timeText(printed)), 8, false,
                false);
}

} // namespace

QStringList SheetPage::textList() const {
    QStringList list;
    for (const SheetText& t : texts)
        list << t.text;
    return list;
}

int siteSheetRowsPerPage() {
    return static_cast<int>((kTableBottom - kTableTop - kRowHeight) / kRowHeight);
}

QString fittedText(const QString& text, double maxWidth, double size, bool bold,
                   const TextWidth& width) {
    if (width(text, size, bold) <= maxWidth)
        return text;
    // Cut between letters as a reader sees them, never inside an accented letter or a
    // character that takes two code units.
    QList<qsizetype> ends;
    QTextBoundaryFinder letters(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = letters.toNextBoundary(); at > 0 && at < text.size();
         at = letters.toNextBoundary())
        ends << at;
    const QString dots = QStringLiteral("…");
    const auto cut = [&](qsizetype i) { return text.left(ends[i]).trimmed() + dots; };
    // The longest start that fits with the dots; a longer start is never narrower.
    qsizetype low = 0;
    qsizetype high = ends.size();
    while (low < high) {
        const qsizetype mid = (low + high) / 2;
        if (width(cut(mid), size, bold) <= maxWidth)
            low = mid + 1;
        else
            high = mid;
    }
    return low == 0 ? dots : cut(low - 1);
}

SiteSheet siteSheetLayout(const QList<UnitRecord>& units, const QDateTime& printed,
                          const TextWidth& width) {
    SiteSheet sheet{QSizeF(kPageWidth, kPageHeight), QStringLiteral("Scheda impianto"), {}};
    // Sites in the order of their first unit; units in the order given.
    QStringList sites;
    QMap<QString, QList<UnitRecord>> bySite;
    for (const UnitRecord& u : units) {
        if (!bySite.contains(u.site))
            sites << u.site;
        bySite[u.site] << u;
    }
    const int perPage = siteSheetRowsPerPage();
    for (const QString& site : sites) {
        const QList<UnitRecord>& rows = bySite[site];
        const int pages = qMax(1, static_cast<int>((rows.size() + perPage - 1) / perPage));
        for (int p = 0; p < pages; ++p) {
            PageBuilder page(sheet.pages.emplace_back(), width);
            heading(page, site, rows);
            tableHeader(page, kTableTop);
            double y = kTableTop + kRowHeight;
            for (int i = p * perPage; i < qMin<int>(rows.size(), (p + 1) * perPage); ++i) {
                row(page, y, rowOf(i + 1, rows[i]));
                y += kRowHeight;
            }
            footer(page, site, p + 1, pages, printed);
        }
    }
    if (sites.isEmpty()) {
        PageBuilder page(sheet.pages.emplace_back(), width);
        page.text(kMargin, kMargin + 14, QStringLiteral("Scheda impianto"), 18, true);
        page.text(kMargin, kMargin + 40, nothingFoundText(), 11);
    }
    return sheet;
}

} // namespace selvana::registry
