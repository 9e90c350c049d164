#include "common/test_main.h"
#include "print/site_sheet_pdf.h"
#include "registry/site_sheet.h"

#include <QFontMetricsF>
#include <QRegularExpression>

using namespace selvana;
using namespace selvana::registry;

namespace {

const QString kFarAway = QStringLiteral("Čakovec – Łódź – Győr – Ñandú");

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

QList<UnitRecord> described(const QString& site, const QString& description) {
    QList<UnitRecord> list = units(1, site);
    list[0].description = description;
    return list;
}

// Half the size per code unit: widths a test can count.
double countedWidth(const QString& text, double size, bool) {
    return text.size() * size / 2;
}

const QDateTime kPrinted(QDate(2026, 12, 9), QTime(10, 0));

} // namespace

class TestSiteSheet : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }

    void pages_data() {
        QTest::addColumn<QList<UnitRecord>>("units");
        QTest::addColumn<int>("pages");
        // Per page, texts that start an item of it.
        QTest::addColumn<QList<QStringList>>("shows");
        const int perPage = siteSheetRowsPerPage();
        QTest::newRow("no unit") << QList<UnitRecord>{} << 1
                                 << QList<QStringList>{{"Scheda impianto", "Nessuna periferica "
                                                                           "nel registro"}};
        QTest::newRow("one unit") << units(1, QStringLiteral("Villa Rosa")) << 1
                                  << QList<QStringList>{
                                         {"Scheda impianto", "Sito:", "Villa Rosa",
                                          "Numero di serie", "Frequenza (MHz)", "Ultimo esito", "1",
                                          "12340001", "Zona 1 - ingresso principale", "Proteus-X",
                                          "00012", "101", "156,0125", "Scritta (08/12/2026 ",
                                          "Pagina 1 di 1", "Mario Rossi",
                                          "Villa Rosa - stampata il 09/12/2026 10:00"}};
        QTest::newRow("a full page") << units(perPage, QStringLiteral("Villa")) << 1
                                     << QList<QStringList>{{"Pagina 1 di 1"}};
        QTest::newRow("one row more")
            << units(perPage + 1, QStringLiteral("Villa")) << 2
            << QList<QStringList>{{"Pagina 1 di 2", "Mario Rossi, Anna Bianchi", "Numero di serie"},
                                  {"Pagina 2 di 2", "Mario Rossi, Anna Bianchi", "Numero di serie",
                                   QString::number(perPage + 1)}};
        QList<UnitRecord> two = units(2, QStringLiteral("Città Alta"));
        two << unit(3, QStringLiteral("Borgo"), Outcome::NoAnswer);
        QTest::newRow("two sites, a page each")
            << two << 2
            << QList<QStringList>{
                   {"Città Alta", "Pagina 1 di 1", "08/12/2026"},
                   {"Borgo", "Nessuna risposta (" + timeText(two[2].time) + ")", "Pagina 1 di 1"}};
        QList<UnitRecord> days = units(2, QStringLiteral("Villa"));
        days[1].time = days[1].time.addDays(3);
        QTest::newRow("work over days")
            << days << 1 << QList<QStringList>{{"dal 08/12/2026 al 11/12/2026"}};
        QTest::newRow("letters of every language")
            << described(kFarAway, kFarAway) << 1
            << QList<QStringList>{{kFarAway, kFarAway, kFarAway + " - stampata il"}};
        QTest::newRow("signs a PDF string must escape")
            << described(QStringLiteral("a(b)\\c"), QStringLiteral("€ Ω\t")) << 1
            << QList<QStringList>{{"a(b)\\c", "€ Ω\t"}};
        QTest::newRow("no site name")
            << units(1, QString()) << 1 << QList<QStringList>{{"(senza nome)"}};
        QTest::newRow("a name longer than the page")
            << described(QStringLiteral("Condominio ").repeated(20),
                         QStringLiteral("Ingresso ").repeated(10))
            << 1 << QList<QStringList>{{"Condominio Condominio", "Ingresso Ingresso"}};
    }
    void pages() {
        QFETCH(QList<UnitRecord>, units);
        const SiteSheet sheet = print::siteSheetLayout(units, kPrinted);
        QTEST(static_cast<int>(sheet.pages.size()), "pages");
        QFETCH(QList<QStringList>, shows);
        for (int p = 0; p < shows.size(); ++p) {
            const QStringList texts = sheet.pages[p].textList();
            for (const QString& text : shows[p]) {
                QVERIFY2(std::any_of(texts.begin(), texts.end(),
                                     [&](const QString& t) { return t.startsWith(text); }),
                         qPrintable(QStringLiteral("page %1: %2 in\n%3")
                                        .arg(p + 1)
                                        .arg(text, texts.join(QLatin1Char('\n')))));
            }
        }
        // Every text within the margins, in a face that has all its letters.
        const TextWidth width = print::sheetTextWidth();
        for (const SheetPage& page : sheet.pages) {
            for (const SheetText& t : page.texts) {
                const double w = width(t.text, t.size, t.bold);
                const double left = t.align == SheetText::Align::Left ? t.x : t.x - w;
                QVERIFY2(left >= 40 - 1e-6 && left + w <= sheet.pageSize.width() - 40 + 1e-6,
                         qPrintable(t.text));
                const QFontMetricsF metrics(print::sheetFont(t.size, t.bold));
                for (const char32_t c : t.text.toUcs4())
                    QVERIFY2(c < 32 || metrics.inFontUcs4(c), qPrintable(t.text));
            }
        }
    }

    // The PDF itself: its pages, and the faces inside it rather than named for the reader.
    void rendered() {
        QList<UnitRecord> list = units(siteSheetRowsPerPage() + 1, kFarAway);
        list << unit(1, QStringLiteral("Borgo"));
        QByteArray pdf;
        const auto failed = print::siteSheetPdf(list, kPrinted, pdf);
        QVERIFY2(!failed, qPrintable(failed.value_or(QString())));
        QVERIFY(pdf.startsWith("%PDF-1."));
        QVERIFY(pdf.trimmed().endsWith("%%EOF"));
        static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
        QCOMPARE(QString::fromLatin1(pdf).count(page), 3);
        QVERIFY(pdf.contains("/FontFile2"));
    }

    void textFits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("width");
        QTest::addColumn<QString>("fitted");
        // Each code unit 5 points wide at 10 points.
        QTest::newRow("fits") << "Villa" << 100.0 << "Villa";
        QTest::newRow("exactly") << "Villa" << 25.0 << "Villa";
        QTest::newRow("cut at a blank") << "Villa Rosa" << 35.0 << "Villa…";
        QTest::newRow("cut in a word") << "Villa Rosa" << 25.0 << "Vill…";
        QTest::newRow("nothing fits") << "Villa" << 4.0 << "…";
        QTest::newRow("letters beyond Latin-1") << "Łódź" << 15.0 << "Łó…";
        QTest::newRow("an accent of its own stays with its letter")
            << QStringLiteral("e\u0301e\u0301e\u0301") << 20.0 << QStringLiteral("e\u0301…");
        QTest::newRow("a letter of two code units stays whole")
            << QStringLiteral("𝐀𝐁𝐂") << 20.0 << QStringLiteral("𝐀…");
    }
    void textFits() {
        QFETCH(QString, text);
        QFETCH(double, width);
        QTEST(fittedText(text, width, 10, false, countedWidth), "fitted");
    }
};

SELVANA_TEST_MAIN(TestSiteSheet)
#include "tst_site_sheet.moc"
