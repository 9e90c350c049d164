#include "common/editor_rig.h"
#include "common/recording_dialogs.h"
#include "common/test_main.h"
#include "registry/programming_register.h"
#include "registry/unit_register.h"
#include "ui/register_window.h"

#include <QCursor>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <QTableWidget>

using namespace selvana;
using namespace selvana::registry;
using namespace selvana::testing;

namespace {

using Window = RegisterWindow;

UnitRecord unit(const char* serial, const char* site, int code, QDate day,
                Outcome outcome = Outcome::Written, double mhz = 156.0125) {
    UnitRecord r;
    r.serialNumber = QLatin1String(serial);
    r.time = QDateTime(day, QTime(9, 0), Qt::UTC);
    r.installer = QStringLiteral("Mario Rossi");
    r.site = QLatin1String(site);
    r.protocol = 1;
    r.network = 12;
    r.peripheralCode = code;
    r.frequencyMHz = mhz;
    r.outcome = outcome;
    return r;
}

// Codes, days and frequencies whose order as text is not their order.
const QList<UnitRecord> kUnits = {
    unit("0000000A", "Le Querce", 100, QDate(2026, 12, 8)),
    unit("0000000B", "Le Querce", 9, QDate(2026, 11, 30), Outcome::Written, 99.5),
    unit("0000000C", "Le Querce", 10, QDate(2026, 12, 1), Outcome::Written, 433.92),
    unit("0000000D", "Villa Rosa", 11, QDate(2026, 12, 2), Outcome::Refused),
    unit("0000000E", "Villa Verde", 50, QDate(2026, 12, 3)),
    unit("0000000F", "Villa Verde", 50, QDate(2026, 12, 4), Outcome::NoAnswer),
};

// The register window over a register of its own holding kUnits.
struct Rig {
    QTemporaryDir dir;
    ProgrammingRegister reg{dir.filePath(QStringLiteral("registro.sqlite")), std::nullopt};
    RecordingDialogs dialogs;
    std::unique_ptr<Window> window;

    Rig() {
        for (UnitRecord u : kUnits)
            if (reg.local()->record(u))
                qFatal("the register does not take a record");
        window = std::make_unique<Window>(reg, dialogs);
    }
    template <typename W> W* find(const char* name) const {
        return window->findChild<W*>(QLatin1String(name));
    }
    QTableWidget* grid() const { return find<QTableWidget>("grdRegistro"); }
    void search(const QString& site) {
        find<QLineEdit>("txtCercaSito")->setText(site);
        find<QPushButton>("btnCerca")->click();
    }
    QStringList column(int c) const {
        QStringList texts;
        for (int row = 0; row < grid()->rowCount(); ++row)
            texts << grid()->item(row, c)->text();
        return texts;
    }
    int rowOf(const QString& serial) const {
        return int(column(Window::SerialColumn).indexOf(serial));
    }
    void clickHeader(int c) {
        QHeaderView* header = grid()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(c) + header->sectionSize(c) / 2,
                                 header->height() / 2));
    }
};

} // namespace

class TestRegisterWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }

    // A click on a column's title orders the list by it, a second the other way.
    void sorting_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QStringList>("serials");
        QTest::newRow("by code at first")
            << int(Window::CodeColumn) << 0 << QStringList{"0000000B", "0000000C", "0000000A"};
        QTest::newRow("code, the other way")
            << int(Window::CodeColumn) << 1 << QStringList{"0000000A", "0000000C", "0000000B"};
        QTest::newRow("days as days")
            << int(Window::TimeColumn) << 1 << QStringList{"0000000B", "0000000C", "0000000A"};
        QTest::newRow("frequencies as numbers")
            << int(Window::FrequencyColumn) << 1 << QStringList{"0000000B", "0000000A", "0000000C"};
        QTest::newRow("serial numbers, the other way")
            << int(Window::SerialColumn) << 2 << QStringList{"0000000C", "0000000B", "0000000A"};
    }
    void sorting() {
        QFETCH(int, column);
        QFETCH(int, clicks);
        Rig r;
        r.window->show();
        r.search(QStringLiteral("querce"));
        for (int i = 0; i < clicks; ++i)
            r.clickHeader(column);
        QTEST(r.column(Window::SerialColumn), "serials");
    }

    // A write that failed and a code held twice show a sign, and a tooltip that says why.
    void marks_data() {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("outcomeTip");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("codeTip");
        QTest::newRow("written") << "0000000A"
                                 << "Scritta"
                                 << ""
                                 << "100"
                                 << "";
        QTest::newRow("refused") << "0000000D"
                                 << "✗ Rifiutata"
                                 << "ha rifiutato la scrittura"
                                 << "11"
                                 << "";
        QTest::newRow("held twice") << "0000000E"
                                    << "Scritta"
                                    << ""
                                    << "⚠ 50"
                                    << "Codice 50 della rete 00012";
        QTest::newRow("held twice, no answer") << "0000000F"
                                               << "✗ Nessuna risposta"
                                               << "potrebbe non essere avvenuta"
                                               << "⚠ 50"
                                               << "non distingue";
    }
    void marks() {
        QFETCH(QString, serial);
        Rig r;
        const int row = r.rowOf(serial);
        QVERIFY(row >= 0);
        const QTableWidgetItem* outcome = r.grid()->item(row, Window::OutcomeColumn);
        const QTableWidgetItem* code = r.grid()->item(row, Window::CodeColumn);
        QTEST(outcome->text(), "outcome");
        QTEST(code->text(), "code");
        QFETCH(QString, outcomeTip);
        QFETCH(QString, codeTip);
        QVERIFY2(outcomeTip.isEmpty() ? outcome->toolTip().isEmpty()
                                      : outcome->toolTip().contains(outcomeTip),
                 qPrintable(outcome->toolTip()));
        QVERIFY2(codeTip.isEmpty() ? code->toolTip().isEmpty() : code->toolTip().contains(codeTip),
                 qPrintable(code->toolTip()));
        QCOMPARE(r.find<QLabel>("lblEsitoRicerca")->text(),
                 QStringLiteral("6 periferiche: 4 programmate, 1 rifiutata, 1 senza risposta; 2 "
                                "con codice doppio."));
    }

    // The site searched for is named once, above the list, when the search finds only it.
    void siteNamedOnce_data() {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("caption"); // empty: none
        QTest::newRow("every site") << ""
                                    << "";
        QTest::newRow("one site") << "querce"
                                  << "Impianto: Le Querce";
        QTest::newRow("two sites found") << "villa"
                                         << "";
    }
    void siteNamedOnce() {
        QFETCH(QString, search);
        QFETCH(QString, caption);
        Rig r;
        r.window->show();
        r.search(search);
        auto* label = r.find<QLabel>("lblImpianto");
        QCOMPARE(label->isVisible(), !caption.isEmpty());
        if (!caption.isEmpty())
            QCOMPARE(label->text(), caption);
        QCOMPARE(r.grid()->isColumnHidden(Window::SiteColumn), !caption.isEmpty());
    }

    // "Scheda impianto…" writes the sheet of the units listed where the installer says.
    void sheet_data() {
        QTest::addColumn<QString>("chosen"); // in the rig's folder; empty: cancelled
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("message");
        QTest::newRow("saved") << "scheda.pdf"
                               << "scheda.pdf"
                               << "";
        QTest::newRow("no suffix typed") << "scheda"
                                         << "scheda.pdf"
                                         << "";
        QTest::newRow("cancelled") << ""
                                   << ""
                                   << "";
        QTest::newRow("a folder that is not there")
            << "manca/scheda.pdf"
            << ""
            << "Impossibile scrivere la scheda dell'impianto";
    }
    void sheet() {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QFETCH(QString, message);
        Rig r;
        r.search(QStringLiteral("querce"));
        const QDir folder(r.dir.path());
        r.dialogs.savePath = chosen.isEmpty() ? QString() : folder.filePath(chosen);
        r.find<QPushButton>("btnScheda")->click();
        QCOMPARE(r.dialogs.saveRequests.size(), 1);
        QVERIFY(
            r.dialogs.saveRequests[0].startPath.endsWith(QStringLiteral("/Scheda Le Querce.pdf")));
        QCOMPARE(r.dialogs.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(r.dialogs.messages[0].startsWith(message) &&
                         r.dialogs.messages[0].contains(
                             QDir::toNativeSeparators(folder.filePath(chosen))),
                     qPrintable(r.dialogs.messages[0]));
        QFile pdf(folder.filePath(written));
        QCOMPARE(!written.isEmpty() && pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-",
                 !written.isEmpty());
        QCOMPARE(folder.entryList(QDir::Files).filter(QStringLiteral(".pdf")).size(),
                 written.isEmpty() ? 0 : 1);
    }

    // At its first size, about twenty rows where the screen has room, and on the screen always.
    void fitsTheScreen_data() {
        QTest::addColumn<int>("screen");
        QTest::addColumn<int>("rows"); // at least
        QTest::newRow("1280x1024") << 0 << 20;
        QTest::newRow("1024x600") << 1 << 8;
    }
    void fitsTheScreen() {
        QFETCH(int, screen);
        QFETCH(int, rows);
        QScreen* on = QGuiApplication::screens().value(screen);
        QVERIFY(on);
        Rig r;
        r.window->setScreen(on);
        QCursor::setPos(on->geometry().center()); // a window without a parent opens there
        r.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(r.window.get()));
        QVERIFY2(
            on->availableGeometry().contains(r.window->frameGeometry()),
            qPrintable(QStringLiteral("%1x%2").arg(r.window->width()).arg(r.window->height())));
        const QTableWidget* grid = r.grid();
        QVERIFY2(grid->viewport()->height() / grid->verticalHeader()->defaultSectionSize() >= rows,
                 qPrintable(QString::number(grid->viewport()->height())));
    }

    // The bar under the editor shows a note whole, however long, on more lines.
    void barShowsNotesWhole_data() {
        QTest::addColumn<QString>("label");
        QTest::newRow("the note") << "lblRegistro";
        QTest::newRow("the age of the copy") << "lblCopiaRegistro";
    }
    void barShowsNotesWhole() {
        QFETCH(QString, label);
        EditorRig r;
        auto* note = r.window->findChild<QLabel*>(label);
        note->setText(QStringLiteral("Copia del registro condiviso mai aggiornata: i controlli "
                                     "vedono solo le periferiche registrate su questo computer "
                                     "/home/installatore/.local/share/SelvanaM/registro.sqlite; "
                                     "le registrazioni saranno inviate al server appena risponde"));
        note->show();
        // More than one line: two lines laid out come to less than twice the rounded height
        // of one with some fonts.
        QTRY_VERIFY(2 * note->height() >= 3 * note->fontMetrics().height());
        QVERIFY(note->height() >= note->heightForWidth(note->width()));
        QVERIFY(
            r.window->rect().contains(QRect(note->mapTo(r.window.get(), QPoint()), note->size())));
    }
};

// Two screens: a desk's and a netbook's.
int main(int argc, char** argv) {
    QTEST_SET_MAIN_SOURCE_PATH
    // Beside the program, named from there: a colon, as in a Windows path, parts the options.
    QTemporaryDir dir(QStringLiteral("screens-XXXXXX"));
    QJsonArray screens;
    int x = 0;
    for (const QSize size : {QSize(1280, 1024), QSize(1024, 600)}) {
        screens.append(QJsonObject{{"name", QStringLiteral("Schermo %1").arg(screens.size())},
                                   {"x", x},
                                   {"y", 0},
                                   {"width", size.width()},
                                   {"height", size.height()},
                                   {"logicalDpi", 96},
                                   {"logicalBaseDpi", 96}});
        x += size.width();
    }
    QFile config(dir.filePath(QStringLiteral("screens.json")));
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(QJsonDocument(QJsonObject{{"screens", screens}}).toJson()) < 0)
        return 1;
    config.close();
    qputenv("QT_QPA_PLATFORM",
            ("offscreen:configfile=" + QDir().relativeFilePath(config.fileName())).toLocal8Bit());
    return runTest<TestRegisterWindow>(argc, argv);
}

#include "tst_register_window.moc"
