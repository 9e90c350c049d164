#include "registry/pdf_writer.h"

#include "core/networks/ansi_codec.h"

#include <array>

namespace selvana::registry {

namespace {

// Advance widths (thousandths of the size) of characters 32..126 in the two faces, from their
// published metrics.
constexpr std::array<short, 95> kRegular = {
    278,  278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, // ' '../
    556,  556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, // 0..?
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778, // @..O
    667,  778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556, // P.._
    333,  556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556, // `..o
    556,  556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};     // p..~
constexpr std::array<short, 95> kBold = {
    278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611, 975, 722, 722, 722, 722, 667,
    611, 778, 722, 278, 556, 722, 611, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667,
    667, 611, 333, 278, 333, 584, 556, 333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556,
    278, 889, 611, 611, 611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584};

int charWidth(QChar c, PdfDocument::Font font) {
    const auto& table = font == PdfDocument::Font::Bold ? kBold : kRegular;
    const char16_t u = c.unicode();
    if (u >= 32 && u <= 126)
        return table[u - 32];
    // Accented letters are as wide as their base letter.
    const QString base = c.decomposition();
    if (!base.isEmpty() && base[0].unicode() >= 32 && base[0].unicode() <= 126)
        return table[base[0].unicode() - 32];
    switch (u) {
    case 0x2026: // ...
    case 0x2014: // em dash
        return 1000;
    case 0x2019:
    case 0x2018:
        return font == PdfDocument::Font::Bold ? 278 : 222;
    default:
        return 556;
    }
}

QByteArray number(double v) {
    return QByteArray::number(v, 'f', 2);
}

// A PDF string: the text's Windows-1252 bytes, those outside printable ASCII and the three
// special characters escaped.
QByteArray pdfString(const QString& text) {
    QByteArray out = "(";
    for (const QChar c : text) {
        unsigned char b = '?';
        if (const auto byte = ansi::fromUnicode(c);
            byte && static_cast<unsigned char>(*byte) >= 32 && *byte != 127)
            b = static_cast<unsigned char>(*byte);
        if (b == '(' || b == ')' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (b < 32 || b > 126) {
            out += '\\';
            out += QByteArray::number(b, 8).rightJustified(3, '0');
        } else {
            out += static_cast<char>(b);
        }
    }
    return out + ')';
}

} // namespace

PdfDocument::PdfDocument(double widthPt, double heightPt) : width_(widthPt), height_(heightPt) {}

void PdfDocument::newPage() {
    pages_.append(QByteArray());
}

QByteArray& PdfDocument::page() {
    if (pages_.isEmpty())
        newPage();
    return pages_.last();
}

void PdfDocument::text(double x, double y, const QString& text, double size, Font font) {
    page() += "BT /" + QByteArray(font == Font::Bold ? "F2 " : "F1 ") + number(size) + " Tf " +
              number(x) + ' ' + number(height_ - y) + " Td " + pdfString(text) + " Tj ET\n";
}

void PdfDocument::line(double x1, double y1, double x2, double y2, double lineWidth) {
    page() += number(lineWidth) + " w " + number(x1) + ' ' + number(height_ - y1) + " m " +
              number(x2) + ' ' + number(height_ - y2) + " l S\n";
}

void PdfDocument::box(double x, double y, double w, double h, double grey) {
    page() += "q " + number(grey) + " g " + number(x) + ' ' + number(height_ - y - h) + ' ' +
              number(w) + ' ' + number(h) + " re f Q\n";
}

double PdfDocument::textWidth(const QString& text, double size, Font font) {
    int units = 0;
    for (const QChar c : text)
        units += charWidth(c, font);
    return units * size / 1000.0;
}

QString PdfDocument::fitted(const QString& text, double maxWidth, double size, Font font) {
    if (textWidth(text, size, font) <= maxWidth)
        return text;
    const QString dots = QStringLiteral("...");
    QString cut = text;
    while (!cut.isEmpty() && textWidth(cut + dots, size, font) > maxWidth)
        cut.chop(1);
    return cut.trimmed() + dots;
}

QByteArray PdfDocument::bytes(const QString& title) const {
    QList<QByteArray> pages = pages_;
    if (pages.isEmpty())
        pages.append(QByteArray());
    // Objects: 1 catalogue, 2 page tree, 3 and 4 the faces, 5 information, then a page and its
    // content for each page.
    QList<QByteArray> objects;
    QByteArray kids;
    for (int i = 0; i < pages.size(); ++i)
        kids += QByteArray::number(6 + 2 * i) + " 0 R ";
    objects << "<< /Type /Catalog /Pages 2 0 R >>";
    objects << "<< /Type /Pages /Kids [" + kids.trimmed() + "] /Count " +
                   QByteArray::number(pages.size()) + " >>";
    objects << "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";
    objects << "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold "
               "/Encoding /WinAnsiEncoding >>";
    objects << "<< /Producer (selvanam) /Title " + pdfString(title) + " >>";
    for (int i = 0; i < pages.size(); ++i) {
        objects << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + number(width_) + ' ' +
                       number(height_) + "] /Resources << /Font << /F1 3 0 R /F2 4 0 R >> >> " +
                       "/Contents " + QByteArray::number(7 + 2 * i) + " 0 R >>";
        objects << "<< /Length " + QByteArray::number(pages[i].size()) + " >>\nstream\n" +
                       pages[i] + "\nendstream";
    }

    QByteArray out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    QList<qsizetype> offsets;
    for (int i = 0; i < objects.size(); ++i) {
        offsets << out.size();
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R /Info 5 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

} // namespace selvana::registry
