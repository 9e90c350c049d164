#include "print/site_sheet_pdf.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <map>
#include <memory>

namespace selvana::print {

using namespace registry;

namespace {

// Dots per inch of the PDF's drawing: fine enough that measured widths are the face's own,
// not rounded to a screen's pixels.
constexpr int kResolution = 1200;
constexpr double kDotsPerPoint = kResolution / 72.0;

} // namespace

QFont sheetFont(double size, bool bold) {
    QFont font;
    // DejaVu Sans comes with the program's package and has the letters of every European
    // language; the others are common where it is missing.
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Noto Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(size);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

namespace {

void setPages(QPdfWriter& writer, const QSizeF& points) {
    const bool landscape = points.width() > points.height();
    const QSizeF portrait = landscape ? points.transposed() : points;
    writer.setPageLayout(QPageLayout(QPageSize(portrait, QPageSize::Point),
                                     landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                     QMarginsF()));
}

std::optional<QString> missingFonts() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QStringLiteral("i caratteri di stampa si caricano solo in un'applicazione "
                              "grafica (QGuiApplication), che questo programma non ha avviato");
    if (QFontDatabase::families().isEmpty())
        return QStringLiteral("nel sistema non c'è alcun carattere di stampa: installare il "
                              "pacchetto fonts-dejavu-core");
    return std::nullopt;
}

// The widths the PDF's text will have, in points.
class Measure {
public:
    Measure() : writer_(&sink_) { writer_.setResolution(kResolution); }
    double operator()(const QString& text, double size, bool bold) {
        auto at = metrics_.find({size, bold});
        if (at == metrics_.end())
            at = metrics_
                     .emplace(std::pair{size, bold}, QFontMetricsF(sheetFont(size, bold), &writer_))
                     .first;
        return at->second.horizontalAdvance(text) / kDotsPerPoint;
    }

private:
    QBuffer sink_; // never written: the writer only lends its resolution
    QPdfWriter writer_;
    std::map<std::pair<double, bool>, QFontMetricsF> metrics_;
};

} // namespace

TextWidth sheetTextWidth() {
    auto measure = std::make_shared<Measure>();
    return [measure](const QString& text, double size, bool bold) {
        return (*measure)(text, size, bold);
    };
}

SiteSheet siteSheetLayout(const QList<UnitRecord>& units, const QDateTime& printed,
                          const QSet<QString>& duplicated) {
    return registry::siteSheetLayout(units, duplicated, printed, sheetTextWidth());
}

std::optional<QString> sheetPdf(const SiteSheet& sheet, QByteArray& pdf) {
    pdf.clear();
    if (auto why = missingFonts())
        return why;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kResolution);
    writer.setTitle(sheet.title);
    writer.setCreator(QStringLiteral("selvanam"));
    setPages(writer, sheet.pageSize);
    QPainter painter;
    if (!painter.begin(&writer))
        return QStringLiteral("il PDF non si può preparare");
    const auto at = [](double x, double y) { return QPointF(x, y) * kDotsPerPoint; };
    for (qsizetype i = 0; i < sheet.pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        const SheetPage& page = sheet.pages[i];
        for (const SheetBox& b : page.boxes) {
            const QRectF& r = b.rect;
            painter.fillRect(QRectF(at(r.left(), r.top()), r.size() * kDotsPerPoint),
                             QColor::fromRgbF(b.grey, b.grey, b.grey));
        }
        for (const SheetLine& l : page.lines) {
            painter.setPen(QPen(Qt::black, l.width * kDotsPerPoint, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(at(l.line.x1(), l.line.y1()), at(l.line.x2(), l.line.y2()));
        }
        painter.setPen(Qt::black);
        for (const SheetText& t : page.texts) {
            painter.setFont(sheetFont(t.size, t.bold));
            QPointF start = at(t.x, t.baseline);
            if (t.align == SheetText::Align::Right)
                start.rx() -= QFontMetricsF(painter.font(), &writer).horizontalAdvance(t.text);
            painter.drawText(start, t.text);
        }
    }
    if (!painter.end())
        return QStringLiteral("il PDF non si può completare");
    pdf = bytes;
    return std::nullopt;
}

std::optional<QString> siteSheetPdf(const QList<UnitRecord>& units, const QDateTime& printed,
                                    QByteArray& pdf, const QSet<QString>& duplicated) {
    pdf.clear();
    if (auto why = missingFonts())
        return why;
    return sheetPdf(print::siteSheetLayout(units, printed, duplicated), pdf);
}

} // namespace selvana::print
