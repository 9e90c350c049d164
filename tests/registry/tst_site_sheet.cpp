#include "common/test_main.h"
#include "registry/pdf_writer.h"
#include "registry/site_sheet.h"

#include <QRegularExpression>

using namespace selvana::registry;

namespace {

UnitRecord unit(int n, const QString& site, Outcome outcome = Outcome::Written) {
    UnitRecord r;
    r.serialNumber = QStringLiteral("1234%1").arg(n, 4, 16, QLatin1Char('0')).toUpper();
    r.time = QDateTime(QDate(2026, 12, 8), QTime(9, 0), Qt::UTC).addSecs(60LL * n);
    r.installer = n % 2 ? QStringLiteral("Mario Rossi") : QStringLiteral("Anna Bianchi");
    r.site = site;
    r.description = QStringLiteral("Zona %1 - ingresso principale").arg(n);
    r.protocol = 1;
    r.network = 12;
    r.peripheralCode = 100 + n;
    r.frequencyMHz = 156.0125;
    r.outcome = outcome;
    return r;
}

QList<UnitRecord> units(int count, const QString& site) {
    QList<UnitRecord> list;
    for (int i = 1; i <= count; ++i)
        list << unit(i, site);
    return list;
}

// Every object that the cross-reference table names starts where it says.
bool crossReferenceHolds(const QByteArray& pdf) {
    const qsizetype xref = pdf.lastIndexOf("\nxref\n") + 1;
    const qsizetype start = pdf.lastIndexOf("startxref\n");
    if (xref <= 0 || start < 0 || pdf.mid(start + 10).split('\n').value(0).toLongLong() != xref)
        return false;
    const QList<QByteArray> lines = pdf.mid(xref).split('\n');
    const int count = lines[1].split(' ').value(1).toInt();
    for (int i = 1; i < count; ++i) {
        const qsizetype offset = lines[2 + i].left(10).toLongLong();
        if (!pdf.mid(offset).startsWith(QByteArray::number(i) + " 0 obj"))
            return false;
    }
    return pdf.endsWith("%%EOF\n");
}

int pagesOf(const QByteArray& pdf) {
    static const QRegularExpression count(QStringLiteral("/Type /Pages .*/Count (\\d+)"));
    return count.match(QString::fromLatin1(pdf)).captured(1).toInt();
}

} // namespace

class TestSiteSheet : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }

    void pages_data() {
        QTest::addColumn<QList<UnitRecord>>("units");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QByteArrayList>("shows");
        const int perPage = siteSheetRowsPerPage();
        QTest::newRow("no unit") << QList<UnitRecord>{} << 1
                                 << QByteArrayList{"(Nessuna periferica nel registro"};
        QTest::newRow("one unit") << units(1, QStringLiteral("Villa Rosa")) << 1
                                  << QByteArrayList{"(Villa Rosa)",
                                                    "(12340001)",
                                                    "(Proteus-X)",
                                                    "(00012)",
                                                    "(101)",
                                                    "(156,0125)",
                                                    "(Scritta \\(08/12/2026 ",
                                                    "(Pagina 1 di 1)",
                                                    "(Mario Rossi)"};
        QTest::newRow("a full page")
            << units(perPage, QStringLiteral("Villa")) << 1 << QByteArrayList{"(Pagina 1 di 1)"};
        QTest::newRow("one row more")
            << units(perPage + 1, QStringLiteral("Villa")) << 2
            << QByteArrayList{"(Pagina 2 di 2)", "(Mario Rossi, Anna Bianchi)"};
        QList<UnitRecord> two = units(2, QStringLiteral("Città Alta"));
        two << unit(3, QStringLiteral("Borgo"), Outcome::NoAnswer);
        QTest::newRow("two sites, a page each")
            << two << 2
            << QByteArrayList{"(Citt\\340 Alta)", "(Borgo)", "(Nessuna risposta \\(",
                              "(08/12/2026)"};
        QList<UnitRecord> days = units(2, QStringLiteral("Villa"));
        days[1].time = days[1].time.addDays(3);
        QTest::newRow("work over days")
            << days << 1 << QByteArrayList{"(dal 08/12/2026 al 11/12/2026)"};
    }
    void pages() {
        QFETCH(QList<UnitRecord>, units);
        const QByteArray pdf = siteSheetPdf(units, QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        QVERIFY(pdf.startsWith("%PDF-1.4\n"));
        QVERIFY(crossReferenceHolds(pdf));
        QTEST(pagesOf(pdf), "pages");
        QFETCH(QByteArrayList, shows);
        for (const QByteArray& text : shows)
            QVERIFY2(pdf.contains(text), text.constData());
        QVERIFY(pdf.contains("/BaseFont /Helvetica /Encoding /WinAnsiEncoding"));
    }

    void textIsEscaped_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("brackets and backslash") << "a(b)\\c" << QByteArray("(a\\(b\\)\\\\c)");
        QTest::newRow("Italian accents") << "è à ù" << QByteArray("(\\350 \\340 \\371)");
        QTest::newRow("euro sign") << "€" << QByteArray("(\\200)");
        QTest::newRow("outside the code page") << "Ω\t" << QByteArray("(?\?)");
    }
    void textIsEscaped() {
        QFETCH(QString, text);
        PdfDocument pdf(100, 100);
        pdf.text(0, 10, text, 10);
        QFETCH(QByteArray, written);
        QVERIFY2(pdf.bytes().contains(" " + written + " Tj"), pdf.bytes().constData());
    }

    void textFits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("width");
        QTest::addColumn<QString>("fitted");
        QTest::newRow("fits") << "Villa" << 100.0 << "Villa";
        // Helvetica 10 pt: "Villa" is 6.67 + 2.22 + 2.22 + 2.22 + 5.56 = 18.89 points.
        QTest::newRow("exactly") << "Villa" << 18.89 << "Villa";
        QTest::newRow("cut at a blank") << "Villa Rosa" << 30.0 << "Villa...";
        QTest::newRow("cut in a word") << "Villa Rosa" << 25.0 << "Vill...";
        QTest::newRow("nothing fits") << "Villa" << 5.0 << "...";
    }
    void textFits() {
        QFETCH(QString, text);
        QFETCH(double, width);
        QTEST(PdfDocument::fitted(text, width, 10), "fitted");
        QVERIFY(qAbs(PdfDocument::textWidth(QStringLiteral("Villa"), 10) - 18.89) < 0.001);
        QCOMPARE(PdfDocument::textWidth(QStringLiteral("è"), 10),
                 PdfDocument::textWidth(QStringLiteral("e"), 10));
    }
};

SELVANA_TEST_MAIN(TestSiteSheet)
#include "tst_site_sheet.moc"
