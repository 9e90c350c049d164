// Build-time tool: writes a C++ source that holds a picture's pixels ready to show, so a window
// can show it without decoding a file or looking for an image reader.
//
//   selvana-image-pixels PICTURE.png OUTPUT.cpp NAME
//
// OUTPUT.cpp defines `const selvana::EmbeddedImage selvana::NAME` (ui/embedded_image.h): width,
// height and the pixels as premultiplied ARGB32 words, one per pixel, row after row.

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "uso: %s IMMAGINE.png USCITA.cpp NOME\n", argv[0]);
        return 1;
    }
    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[3]);
    const QImage image = QImage(input).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        std::fprintf(stderr, "%s: immagine non leggibile\n", argv[1]);
        return 2;
    }
    QFile output(QString::fromLocal8Bit(argv[2]));
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "%s: non scrivibile\n", argv[2]);
        return 2;
    }
    QTextStream out(&output);
    out << "// Made from " << QFileInfo(input).fileName()
        << " by selvana-image-pixels at build time.\n"
        << "#include \"ui/embedded_image.h\"\n\n"
        << "namespace selvana {\n\nnamespace {\nconst std::uint32_t kPixels[] = {";
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            out << ((x % 8) ? " " : "\n    ") << "0x" << QString::number(row[x], 16) << "u,";
    }
    out << "\n};\n} // namespace\n\nextern const EmbeddedImage " << name << ";\n"
        << "const EmbeddedImage " << name << "{" << image.width() << ", " << image.height()
        << ", kPixels};\n\n} // namespace selvana\n";
    return out.status() == QTextStream::Ok && output.flush() ? 0 : 2;
}
