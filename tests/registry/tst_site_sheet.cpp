#include "common/test_main.h"
#include "print/site_sheet_pdf.h"
#include "registry/site_sheet.h"

#include <QFontMetricsF>
#include <QRegularExpression>

using namespace selvana;
using namespace selvana::registry;

namespace {

const QString kFarAway = QStringLiteral("Čakovec – Łódź – Győr – Ñandú");

UnitRecord unit(int n, const QString& site, Outcome outcome = Outcome::Written,
                const QString& zone = {}, int code = 0) {
    UnitRecord r;
    r.serialNumber = QStringLiteral("1234%1").arg(n, 4, 16, QLatin1Char('0')).toUpper();
    r.time = QDateTime(QDate(2026, 12, 8), QTime(9, 0), Qt::UTC).addSecs(60LL * n);
    r.installer = n % 2 ? QStringLiteral("Mario Rossi") : QStringLiteral("Anna Bianchi");
    r.site = site;
    r.description = zone;
    r.protocol = 1;
    r.network = 12;
    r.peripheralCode = code ? code : 100 + n;
    r.frequencyMHz = 156.0125;
    r.outcome = outcome;
    return r;
}

QList<UnitRecord> units(int count, const QString& site, const QString& zone = {}) {
    QList<UnitRecord> list;
    for (int i = 1; i <= count; ++i)
        list << unit(i, site, Outcome::Written, zone);
    return list;
}

QList<UnitRecord> described(const QString& site, const QString& description) {
    return units(1, site, description);
}

// The units that share their network and code with another unit of the list.
QSet<QString> sharedCodes(const QList<UnitRecord>& list) {
    QSet<QString> out;
    for (const UnitRecord& a : list)
        for (const UnitRecord& b : list)
            if (a.serialNumber != b.serialNumber && a.protocol == b.protocol &&
                a.network == b.network && a.peripheralCode == b.peripheralCode)
                out << a.serialNumber;
    return out;
}

// Half the size per code unit: widths a test can count.
double countedWidth(const QString& text, double size, bool) {
    return text.size() * size / 2;
}

const QDateTime kPrinted(QDate(2026, 12, 9), QTime(10, 0));

// The page's text boxes, roughly as the face draws them.
QRectF textBox(const SheetText& t, double width) {
    const double left = t.align == SheetText::Align::Left ? t.x : t.x - width;
    return {left, t.baseline - 0.75 * t.size, width, 0.95 * t.size};
}

} // namespace

class TestSiteSheet : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }

    void pages_data() {
        QTest::addColumn<QList<UnitRecord>>("units");
        QTest::addColumn<int>("pages");
        // Per page, texts that start an item of it, in this order; "¬X": no item starts with X.
        QTest::addColumn<QList<QStringList>>("shows");
        const int perPage = siteSheetRowsPerPage();
        QTest::newRow("no unit") << QList<UnitRecord>{} << 1
                                 << QList<QStringList>{{"Scheda impianto", "Nessuna periferica "
                                                                           "nel registro"}};
        const QList<UnitRecord> one = units(1, QStringLiteral("Villa Rosa"));
        QTest::newRow("one unit") << one << 1
                                  << QList<QStringList>{
                                         {"Scheda impianto",
                                          "Sito:",
                                          "Villa Rosa",
                                          "Installatore:",
                                          "Mario Rossi",
                                          "Programmazione:",
                                          "08/12/2026",
                                          "Data di stampa:",
                                          "09/12/2026 10:00",
                                          "N.",
                                          "Codice",
                                          "Numero di serie",
                                          "Protocollo",
                                          "Rete",
                                          "Frequenza (MHz)",
                                          "Esito",
                                          "Data della scrittura",
                                          "1",
                                          "101",
                                          "12340001",
                                          "Proteus-X",
                                          "00012",
                                          "156,0125",
                                          "Scritta",
                                          timeText(one[0].time),
                                          "Totale: 1 periferica: 1 programmata.",
                                          "Firma dell'installatore",
                                          "Firma del cliente",
                                          "Villa Rosa - stampata il 09/12/2026 10:00",
                                          "Pagina 1 di 1",
                                          "¬Senza zona",
                                          "¬✗",
                                          "¬⚠"}};
        QTest::newRow("a full page")
            << units(perPage, QStringLiteral("Villa")) << 1
            << QList<QStringList>{{"Totale: ", "Firma del cliente", "Pagina 1 di 1"}};
        QTest::newRow("one row more")
            << units(perPage + 1, QStringLiteral("Villa")) << 2
            << QList<QStringList>{{"Mario Rossi, Anna Bianchi", "Numero di serie", "Pagina 1 di 2",
                                   "¬Totale", "¬Firma"},
                                  {"Mario Rossi, Anna Bianchi", "Numero di serie",
                                   QString::number(perPage + 1), "Totale: ", "Firma del cliente",
                                   "Pagina 2 di 2"}};
        QList<UnitRecord> two = units(2, QStringLiteral("Città Alta"));
        two << unit(3, QStringLiteral("Borgo"), Outcome::NoAnswer);
        QTest::newRow("two sites, a page each")
            << two << 2
            << QList<QStringList>{
                   {"Città Alta", "08/12/2026", "Totale: 2 periferiche", "Pagina 1 di 1"},
                   {"Borgo", "✗ Nessuna risposta", timeText(two[2].time),
                    "Totale: 1 periferica: 0 programmate, 1 senza risposta.", "Pagina 1 di 1"}};
        QList<UnitRecord> days = units(2, QStringLiteral("Villa"));
        days[1].time = days[1].time.addDays(3);
        QTest::newRow("work over days")
            << days << 1 << QList<QStringList>{{"Programmazione:", "dal 08/12/2026 al 11/12/2026"}};
        QTest::newRow("letters of every language")
            << described(kFarAway, kFarAway) << 1
            << QList<QStringList>{{kFarAway, kFarAway, kFarAway + " - stampata il"}};
        QTest::newRow("signs a PDF string must escape")
            << described(QStringLiteral("a(b)\\c"), QStringLiteral("€ Ω\t")) << 1
            << QList<QStringList>{{"a(b)\\c", "€ Ω"}};
        QTest::newRow("no site name")
            << units(1, QString()) << 1 << QList<QStringList>{{"(senza nome)"}};
        QTest::newRow("a name longer than the page")
            << described(QStringLiteral("Condominio ").repeated(20),
                         QStringLiteral("Ingresso ").repeated(10))
            << 1
            << QList<QStringList>{{"Sito:", "Condominio Condominio", "Condominio Condominio",
                                   "Installatore:", "Ingresso Ingresso", "Condominio Condominio",
                                   "Condominio Condominio", "Pagina 1 di 1"}};
        const QString v = QStringLiteral("Villa");
        QTest::newRow("in order of code, then serial number; codes held twice")
            << QList<UnitRecord>{unit(3, v), unit(9, v, Outcome::Written, {}, 101), unit(2, v),
                                 unit(1, v)}
            << 1
            << QList<QStringList>{{"⚠ 101", "12340001", "⚠ 101", "12340009", "102", "12340002",
                                   "103", "12340003",
                                   "Totale: 4 periferiche: 4 programmate; 2 con codice doppio.",
                                   "⚠ Codice doppio", "¬✗"}};
        QTest::newRow("zones in order of their lowest code, units without one last")
            << QList<UnitRecord>{unit(1, v), unit(4, v, Outcome::Written, " magazzino"),
                                 unit(3, v, Outcome::Written, "Ingresso"),
                                 unit(2, v, Outcome::Written, "Magazzino")}
            << 1
            << QList<QStringList>{{"Magazzino", "12340002", "12340004", "Ingresso", "12340003",
                                   "Senza zona", "12340001", "¬ magazzino", "¬magazzino"}};
        QTest::newRow("outcomes that left a unit unprogrammed")
            << QList<UnitRecord>{unit(1, v), unit(2, v, Outcome::Refused),
                                 unit(3, v, Outcome::NoAnswer), unit(4, v, Outcome::PortLost)}
            << 1
            << QList<QStringList>{{"Scritta", "✗ Rifiutata", "✗ Nessuna risposta", "✗ Porta persa",
                                   "Totale: 4 periferiche: 1 programmata, 1 rifiutata, 1 senza "
                                   "risposta, 1 con la porta persa.",
                                   "✗ Scrittura rifiutata", "Firma", "¬⚠"}};
        QList<UnitRecord> tall = units(perPage, v);
        for (UnitRecord& u : tall)
            u.serialNumber = u.serialNumber.repeated(3);
        QTest::newRow("a full page of rows of two lines")
            << tall << 2 << QList<QStringList>{{"12340001123"}, {"Totale: ", "Pagina 2 di 2"}};
        QTest::newRow("a zone going on over a page")
            << units(perPage + 1, v, QStringLiteral("Magazzino")) << 2
            << QList<QStringList>{{"Magazzino", "¬Magazzino (segue)"},
                                  {"Magazzino (segue)", QString::number(perPage + 1)}};
    }
    void pages() {
        QFETCH(QList<UnitRecord>, units);
        const SiteSheet sheet = print::siteSheetLayout(units, kPrinted, sharedCodes(units));
        QTEST(static_cast<int>(sheet.pages.size()), "pages");
        QFETCH(QList<QStringList>, shows);
        for (int p = 0; p < shows.size(); ++p) {
            const QStringList texts = sheet.pages[p].textList();
            const auto starting = [&](auto from, const QString& text) {
                return std::find_if(from, texts.end(),
                                    [&](const QString& t) { return t.startsWith(text); });
            };
            auto at = texts.begin();
            for (const QString& text : shows[p]) {
                const bool absent = text.startsWith(QStringLiteral("¬"));
                const auto found =
                    absent ? starting(texts.begin(), text.mid(1)) : starting(at, text);
                QVERIFY2(absent == (found == texts.end()),
                         qPrintable(QStringLiteral("page %1: %2 in\n%3")
                                        .arg(p + 1)
                                        .arg(text, texts.join(QLatin1Char('\n')))));
                if (!absent)
                    at = found + 1;
            }
        }
        // Every text within the margins and above the foot's last line, over no other, in a
        // face that has all its letters.
        const TextWidth width = print::sheetTextWidth();
        for (const SheetPage& page : sheet.pages) {
            QList<QRectF> boxes;
            for (const SheetText& t : page.texts) {
                const QRectF box = textBox(t, width(t.text, t.size, t.bold));
                QVERIFY2(box.left() >= 40 - 1e-6 &&
                             box.right() <= sheet.pageSize.width() - 40 + 1e-6,
                         qPrintable(t.text));
                QVERIFY2(t.baseline <= sheet.pageSize.height() - 24 + 1e-6, qPrintable(t.text));
                for (qsizetype i = 0; i < boxes.size(); ++i)
                    QVERIFY2(!boxes[i].intersects(box),
                             qPrintable(page.texts[i].text + QStringLiteral(" / ") + t.text));
                boxes << box;
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

    void textWraps_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("width");
        QTest::addColumn<QStringList>("lines");
        // Each code unit 5 points wide at 10 points.
        QTest::newRow("fits") << "Villa" << 100.0 << QStringList{"Villa"};
        QTest::newRow("exactly") << "Villa" << 25.0 << QStringList{"Villa"};
        QTest::newRow("broken at a blank") << "Villa Rosa" << 35.0 << QStringList{"Villa", "Rosa"};
        QTest::newRow("blanks at the break go")
            << "Villa   Rosa" << 25.0 << QStringList{"Villa", "Rosa"};
        QTest::newRow("a word longer than a line")
            << "Villa Rosa" << 20.0 << QStringList{"Vill", "a", "Rosa"};
        QTest::newRow("nothing fits: a letter per line")
            << "Villa" << 4.0 << QStringList{"V", "i", "l", "l", "a"};
        QTest::newRow("letters beyond Latin-1") << "Łódź" << 15.0 << QStringList{"Łód", "ź"};
        QTest::newRow("an accent of its own stays with its letter")
            << QStringLiteral("e\u0301e\u0301e\u0301") << 20.0
            << QStringList{QStringLiteral("e\u0301e\u0301"), QStringLiteral("e\u0301")};
        QTest::newRow("a letter of two code units stays whole")
            << QStringLiteral("𝐀𝐁𝐂") << 20.0
            << QStringList{QStringLiteral("𝐀𝐁"), QStringLiteral("𝐂")};
    }
    void textWraps() {
        QFETCH(QString, text);
        QFETCH(double, width);
        QTEST(wrappedText(text, width, 10, false, countedWidth), "lines");
    }
};

SELVANA_TEST_MAIN(TestSiteSheet)
#include "tst_site_sheet.moc"
