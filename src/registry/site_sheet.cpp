#include "registry/site_sheet.h"

#include "registry/pdf_writer.h"

#include <QMap>
#include <QStringList>

namespace selvana::registry {

namespace {

using Font = PdfDocument::Font;

constexpr double kPageWidth = 841.89; // A4 landscape, points
constexpr double kPageHeight = 595.28;
constexpr double kMargin = 40.0;
constexpr double kRowHeight = 17.0;
constexpr double kTableTop = 132.0;
constexpr double kTableBottom = kPageHeight - 50.0;
constexpr double kTextSize = 9.5;

struct Column {
    const char* title;
    double width;
    bool right; // numbers align right
};

constexpr Column kColumns[] = {
    {"N.", 28, true},
    {"Numero di serie", 84, false},
    {"Descrizione", 196, false},
    {"Protocollo", 84, false},
    {"Rete", 52, true},
    {"Codice", 52, true},
    {"Frequenza (MHz)", 88, true},
    {"Ultimo esito", 177, false},
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

void heading(PdfDocument& pdf, const QString& site, const QList<UnitRecord>& units) {
    pdf.text(kMargin, kMargin + 14, QStringLiteral("Scheda impianto"), 18, Font::Bold);
    const double labelWidth = 80;
    const QList<std::pair<QString, QString>> lines = {
        {QStringLiteral("Sito:"), site.isEmpty() ? QStringLiteral("(senza nome)") : site},
        {QStringLiteral("Data:"), daysOf(units)},
        {QStringLiteral("Installatore:"), installersOf(units)},
    };
    double y = kMargin + 40;
    for (const auto& [label, value] : lines) {
        pdf.text(kMargin, y, label, 11, Font::Bold);
        pdf.text(kMargin + labelWidth, y,
                 PdfDocument::fitted(value, kPageWidth - 2 * kMargin - labelWidth, 11), 11);
        y += 16;
    }
}

void tableHeader(PdfDocument& pdf, double y) {
    pdf.box(kMargin, y, kPageWidth - 2 * kMargin, kRowHeight, 0.85);
    double x = kMargin;
    for (const Column& c : kColumns) {
        const QString title = QLatin1String(c.title);
        const double w = PdfDocument::textWidth(title, kTextSize, Font::Bold);
        pdf.text(c.right ? x + c.width - 4 - w : x + 4, y + 12, title, kTextSize, Font::Bold);
        x += c.width;
    }
}

void row(PdfDocument& pdf, double y, const QStringList& cells) {
    double x = kMargin;
    for (int i = 0; i < cells.size(); ++i) {
        const Column& c = kColumns[i];
        const QString text = PdfDocument::fitted(cells[i], c.width - 8, kTextSize);
        const double w = PdfDocument::textWidth(text, kTextSize);
        pdf.text(c.right ? x + c.width - 4 - w : x + 4, y + 12, text, kTextSize);
        x += c.width;
    }
    pdf.line(kMargin, y + kRowHeight, kPageWidth - kMargin, y + kRowHeight, 0.3);
}

void footer(PdfDocument& pdf, const QString& site, int page, int pages, const QDateTime& printed) {
    const double y = kPageHeight - 24;
    pdf.text(kMargin, y, QStringLiteral("%1 - stampata il %2").arg(site, timeText(printed)), 8);
    const QString number = QStringLiteral("Pagina %1 di %2").arg(page).arg(pages);
    pdf.text(kPageWidth - kMargin - PdfDocument::textWidth(number, 8), y, number, 8);
}

} // namespace

int siteSheetRowsPerPage() {
    return static_cast<int>((kTableBottom - kTableTop - kRowHeight) / kRowHeight);
}

QByteArray siteSheetPdf(const QList<UnitRecord>& units, const QDateTime& printed) {
    // Sites in the order of their first unit; units in the order given.
    QStringList sites;
    QMap<QString, QList<UnitRecord>> bySite;
    for (const UnitRecord& u : units) {
        if (!bySite.contains(u.site))
            sites << u.site;
        bySite[u.site] << u;
    }
    PdfDocument pdf(kPageWidth, kPageHeight);
    const int perPage = siteSheetRowsPerPage();
    for (const QString& site : sites) {
        const QList<UnitRecord>& rows = bySite[site];
        const int pages = qMax(1, static_cast<int>((rows.size() + perPage - 1) / perPage));
        for (int p = 0; p < pages; ++p) {
            pdf.newPage();
            heading(pdf, site, rows);
            tableHeader(pdf, kTableTop);
            double y = kTableTop + kRowHeight;
            for (int i = p * perPage; i < qMin<int>(rows.size(), (p + 1) * perPage); ++i) {
                row(pdf, y, rowOf(i + 1, rows[i]));
                y += kRowHeight;
            }
            footer(pdf, site, p + 1, pages, printed);
        }
    }
    if (sites.isEmpty()) {
        pdf.newPage();
        pdf.text(kMargin, kMargin + 14, QStringLiteral("Scheda impianto"), 18, Font::Bold);
        pdf.text(kMargin, kMargin + 40,
                 QStringLiteral("Nessuna periferica nel registro per la ricerca indicata."), 11);
    }
    return pdf.bytes(QStringLiteral("Scheda impianto"));
}

} // namespace selvana::registry
