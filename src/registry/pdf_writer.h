#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace selvana::registry {

// A plain PDF made without a display or fonts of the system: text in the standard Helvetica
// faces (every reader has them) with the Windows-1252 characters, which cover Italian, and
// lines and grey boxes. Positions are points from the page's top-left corner.
class PdfDocument {
public:
    enum class Font { Regular, Bold };

    PdfDocument(double widthPt, double heightPt);

    void newPage(); // the first text or drawing starts one by itself
    int pageCount() const { return static_cast<int>(pages_.size()); }
    double width() const { return width_; }
    double height() const { return height_; }

    // Text whose baseline is at y; characters the faces lack print as "?".
    void text(double x, double y, const QString& text, double size, Font font = Font::Regular);
    void line(double x1, double y1, double x2, double y2, double lineWidth = 0.5);
    void box(double x, double y, double w, double h, double grey); // grey: 0 black .. 1 white

    // The file's bytes; the document stays as it is.
    QByteArray bytes(const QString& title = {}) const;

    static double textWidth(const QString& text, double size, Font font = Font::Regular);
    // The text cut to fit `maxWidth`, ending in "..." when cut.
    static QString fitted(const QString& text, double maxWidth, double size,
                          Font font = Font::Regular);

private:
    QByteArray& page();

    double width_;
    double height_;
    QList<QByteArray> pages_; // content streams
};

} // namespace selvana::registry
