#include "common/test_files.h"
#include "core/networks/networks_file.h"
#include "ui/reti_grid.h"

#include <QFile>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>

using namespace selvana;
using namespace selvana::testing;

namespace {

// keyClicks takes Latin-1 only; accented letters and the euro sign arrive as key events that
// carry their text, as a real keyboard delivers them.
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

} // namespace

class TestRetiGrid : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    bool loadingReti = false;
    NetworkList list;
    std::unique_ptr<RetiGrid> grid;

    // The load handler's sequence: LoadingReti around the refill.
    std::optional<NetworksFileError> load() {
        loadingReti = true;
        auto error = LoadReti(dir.path(), list, *grid);
        loadingReti = false;
        return error;
    }

private slots:
    void init() {
        QVERIFY(dir.isValid());
        QFile::remove(dir.filePath("Reti.cfg"));
        list = NetworkList{};
        grid = std::make_unique<RetiGrid>(&loadingReti);
        grid->resize(400, 300);
        grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    }
    void cleanup() { grid.reset(); }

    void noFileShowsDefaults() {
        QVERIFY(!load());
        QCOMPARE(grid->objectName(), QStringLiteral("grdReti"));
        QCOMPARE(grid->horizontalHeaderItem(0)->text(), QStringLiteral("ID Rete"));
        QCOMPARE(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Descrizione"));
        QCOMPARE(grid->rowCount(), 100);
        for (int r : {1, 50, 100}) {
            QCOMPARE(grid->cellText(r, 0), QStringLiteral("00000"));
            QCOMPARE(grid->cellText(r, 1), QStringLiteral("Rete non assegnata"));
        }
        QCOMPARE(grid->currentGridRow(), 1);
        QCOMPARE(grid->currentColumn(), 0);
        QVERIFY(grid->item(0, 0)->isSelected());
    }

    void threeLinesThenCommandThenEnd() {
        const QString path = dir.filePath("Reti.cfg");
        writeAll(path, "00012Nord\r\n123\r\n\r\n");
        QVERIFY(!load());
        QCOMPARE(grid->cellText(1, 0), QStringLiteral("00012"));
        QCOMPARE(grid->cellText(1, 1), QStringLiteral("Nord"));
        QCOMPARE(grid->cellText(2, 0), QStringLiteral("123"));
        QCOMPARE(grid->cellText(2, 1), QString());
        for (int r : {3, 4, 100})
            QVERIFY(grid->cellText(r, 0).isEmpty() && grid->cellText(r, 1).isEmpty());

        // Any toolbar command writes the list first: 3 lines and 97 empty ones.
        QVERIFY(!ScriviReti(dir.path(), list));
        QByteArray expected = "00012Nord\r\n123\r\n\r\n";
        for (int i = 4; i <= 100; ++i)
            expected += "\r\n";
        QCOMPARE(readAll(path), expected);

        // "END" from the networks screen: take the grid over, write, reload.
        QVERIFY(!GetReti(*grid, list, dir.path()));
        QVERIFY(!load());
        QCOMPARE(list[1], QByteArray("00012Nord"));
        QCOMPARE(list[2], QByteArray("00123"));
        QCOMPARE(list[3], QByteArray("00000"));
        QCOMPARE(list[100], QByteArray("00000"));
        QCOMPARE(grid->cellText(100, 0), QStringLiteral("00000"));
    }

    void typingIntoIdCell_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("cell");
        QTest::newRow("6 5 5 3 5") << "65535"
                                   << "65535";
        QTest::newRow("7 0 0 0 0") << "70000"
                                   << "7000";
        QTest::newRow("letters ignored") << "a1b2 c"
                                         << "12";
    }
    void typingIntoIdCell() {
        QFETCH(QString, typed);
        QVERIFY(!load());
        grid->setCurrentGridCell(5, 0);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(grid.get(), Qt::Key_Backspace);
        QCOMPARE(grid->cellText(5, 0), QString());
        QTest::keyClick(grid.get(), Qt::Key_Backspace); // on an empty cell
        QCOMPARE(grid->cellText(5, 0), QString());
        QTest::keyClicks(grid.get(), typed);
        QTEST(grid->cellText(5, 0), "cell");
    }

    void typingIntoDescription() {
        QVERIFY(!load());
        grid->setCurrentGridCell(2, 1);
        for (int i = 0; i < 18; ++i)
            QTest::keyClick(grid.get(), Qt::Key_Backspace);
        typeText(grid.get(), QString::fromUtf8("Città di Forlì €"));
        QTest::keyClick(grid.get(), Qt::Key_Return); // a control key never enters the text
        QTest::keyClicks(grid.get(), QStringLiteral("123456789XY")); // 26th onwards refused
        QCOMPARE(grid->cellText(2, 1), QString::fromUtf8("Città di Forlì €123456789"));
        QCOMPARE(grid->currentGridRow(), 2); // typing does not move the current cell

        QVERIFY(!GetReti(*grid, list, dir.path()));
        const QByteArrayList lines = splitNetworkLines(readAll(dir.filePath("Reti.cfg")));
        QCOMPARE(lines[1], QByteArray("00000Citt\xE0 di Forl\xEC \x80") + "123456789");
    }

    void emptiedIdBecomesZeroOnLeave() {
        QVERIFY(!load());
        grid->setCurrentGridCell(3, 0);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(grid.get(), Qt::Key_Backspace);
        QTest::keyClick(grid.get(), Qt::Key_Down);
        QCOMPARE(grid->currentGridRow(), 4);
        QCOMPARE(grid->cellText(3, 0), QStringLiteral("0"));
        QVERIFY(!GetReti(*grid, list, dir.path()));
        QCOMPARE(list[3], QByteArray("00000Rete non assegnata"));

        // An emptied description stays empty; an emptied ID left while refilling stays empty.
        grid->setCurrentGridCell(4, 1);
        for (int i = 0; i < 18; ++i)
            QTest::keyClick(grid.get(), Qt::Key_Backspace);
        grid->setCurrentGridCell(6, 0);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(grid.get(), Qt::Key_Backspace);
        loadingReti = true;
        grid->setCurrentGridCell(7, 0);
        loadingReti = false;
        QCOMPARE(grid->cellText(4, 1), QString());
        QCOMPARE(grid->cellText(6, 0), QString());
    }

    void leadingZerosStoredAsFiveDigits() {
        QVERIFY(!load());
        grid->setCurrentGridCell(1, 0);
        QTest::keyClicks(grid.get(), QStringLiteral("12")); // "00000" + "12"
        QCOMPARE(grid->cellText(1, 0), QStringLiteral("0000012"));
        QVERIFY(!GetReti(*grid, list, dir.path()));
        QCOMPARE(list[1], QByteArray("00012Rete non assegnata"));
    }

    void everyByteSurvivesTheGrid() {
        QByteArray content;
        for (int b = 0, line = 1; line <= 100; ++line) {
            QByteArray text = QByteArray::number(line).rightJustified(5, '0');
            for (; b < 256 && text.size() < 30; ++b) {
                if (b != '\r' && b != '\n')
                    text.append(char(b));
            }
            content += text + "\r\n";
        }
        const QString path = dir.filePath("Reti.cfg");
        writeAll(path, content);
        QVERIFY(!load());
        QVERIFY(grid->cellText(6, 1).startsWith(QStringLiteral("\u007f€\u0081‚"))); // 0x7F..0x82
        QVERIFY(!GetReti(*grid, list, dir.path()));
        QCOMPARE(readAll(path), content);
    }

    void failedLoadStillShowsTheList() {
        list[1] = "00042Ovest";
        loadingReti = true;
        const auto error = LoadReti(QStringLiteral("/proc"), list, *grid);
        loadingReti = false;
        QVERIFY(error);
        QCOMPARE(list[1], QByteArray("00042Ovest"));
        QCOMPARE(grid->cellText(1, 1), QStringLiteral("Ovest"));
    }
};

QTEST_MAIN(TestRetiGrid)
#include "tst_reti_grid.moc"
