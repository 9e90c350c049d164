#include "common/editor_rig.h"
#include "common/test_main.h"
#include "core/networks/networks_file.h"
#include "ui/reti_grid.h"

#include <QComboBox>
#include <QDir>
#include <QFile>

using namespace selvana;
using namespace selvana::testing;

namespace {

QByteArray fileOf(const EditorRig& r) {
    QFile file(r.programFolder.path() + QStringLiteral("/Reti.cfg"));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QStringList items(QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

} // namespace

class TestNetworksWindow : public QObject {
    Q_OBJECT
private slots:
    void startCreatesDefaultFile() {
        EditorRig r;
        const QByteArray content = fileOf(r);
        QCOMPARE(content, QByteArray("00000Rete non assegnata\r\n").repeated(100));
        RetiGrid& grid = r.window->grid();
        QCOMPARE(grid.objectName(), QStringLiteral("grdReti"));
        QCOMPARE(grid.horizontalHeaderItem(0)->text(), QStringLiteral("ID Rete"));
        QCOMPARE(grid.horizontalHeaderItem(1)->text(), QStringLiteral("Descrizione"));
        QCOMPARE(grid.cellText(100, 0), QStringLiteral("00000"));
        QCOMPARE(grid.cellText(1, 1), QStringLiteral("Rete non assegnata"));
    }

    // A short file grows to 100 lines at the next command; leaving the networks screen with
    // "END" takes the grid back, so the empty rows become "00000".
    void shortFileThenCommandThenEnd() {
        const QByteArray threeLines("00012Nord\r\n00034Sud\r\n00056Est\r\n");
        EditorRig r(&threeLines);
        QCOMPARE(r.window->grid().cellText(2, 1), QStringLiteral("Sud"));
        QCOMPARE(r.window->grid().cellText(4, 0), QString());

        r.window->run().tlbMain_ButtonClick(Command::Reti);
        QVERIFY(!r.window->findChild<QWidget*>("frameReti")->isHidden());
        const QList<QByteArray> written = fileOf(r).split('\n');
        QCOMPARE(written.size(), 101); // 100 lines, each ended by CR LF
        QCOMPARE(written[0], QByteArray("00012Nord\r"));
        QCOMPARE(written[3], QByteArray("\r"));

        // An edit in the grid: row 4 gets network 7, "Ovest".
        RetiGrid& grid = r.window->grid();
        grid.setFocus();
        grid.setCurrentGridCell(4, 0);
        QTest::keyClicks(&grid, QStringLiteral("7"));
        grid.setCurrentGridCell(4, 1);
        QTest::keyClicks(&grid, QStringLiteral("Ovest"));
        r.window->run().tlbMain_ButtonClick(Command::End);
        QVERIFY(r.window->findChild<QWidget*>("frameReti")->isHidden());
        const QList<QByteArray> after = fileOf(r).split('\n');
        QCOMPARE(after[3], QByteArray("00007Ovest\r"));
        QCOMPARE(after[4], QByteArray("00000\r"));
        QCOMPARE(after[99], QByteArray("00000\r"));
        QCOMPARE(r.state.networkList[4], QByteArray("00007Ovest"));

        // The next read offers the new network.
        r.show(sampleProteusX());
        QCOMPARE(items(r.w<QComboBox>(Ctl::cmbCodiceRete)),
                 (QStringList{"00000 Non assegnata", "00012 Nord", "00034 Sud", "00056 Est",
                              "00007 Ovest"}));
        QCOMPARE(r.w<QComboBox>(Ctl::cmbCodiceRete)->currentIndex(), 1); // network 12 of the sample
    }

    void fillCombosTwiceWithoutSelection() {
        EditorRig r;
        r.window->fillCombos();
        r.window->fillCombos();
        QCOMPARE(items(r.w<QComboBox>(Ctl::cmbProtocollo)),
                 (QStringList{"Proteus", "Proteus-X", "Sicep", "UPR", "UPR-52"}));
        QCOMPARE(items(r.w<QComboBox>(Ctl::cmbViaTX)),
                 (QStringList{"Diretta", "REP", "Bidirezionale"}));
        QCOMPARE(items(r.w<QComboBox>(Ctl::cmbNumTentativiTX)), (QStringList{"1", "3", "5"}));
        QCOMPARE(items(r.w<QComboBox>(Ctl::cmbCodiceRete)), QStringList{"00000 Non assegnata"});
        QCOMPARE(r.w<QComboBox>(Ctl::cmbTonoSubAudio)->count(), 33);
        QCOMPARE(r.w<QComboBox>(Ctl::cmbTonoSubAudio)->itemText(32), QStringLiteral("203.5"));
        for (QComboBox* list :
             {r.w<QComboBox>(Ctl::cmbProtocollo), r.w<QComboBox>(Ctl::cmbCodiceRete),
              r.w<QComboBox>(Ctl::cmbTonoSubAudio), r.w<QComboBox>(Ctl::cmbViaTX),
              r.w<QComboBox>(Ctl::cmbNumTentativiTX)}) {
            QCOMPARE(list->currentIndex(), -1);
            QVERIFY(list->currentText().isEmpty());
        }
    }

    // A networks file that cannot be written: the installer is told once, the old file stays,
    // the list in memory stays, and the program goes on.
    void unwritableFileReported() {
        EditorRig r;
        const QString folder = r.programFolder.path();
        QDir(folder).remove(QStringLiteral("Reti.cfg"));
        QDir(folder).mkdir(QStringLiteral("Reti.cfg")); // a folder where the file should be
        r.window->run().tlbMain_ButtonClick(Command::Reti);
        r.window->grid().setCellText(1, 0, QStringLiteral("99"));
        r.window->grid().setCellText(1, 1, QStringLiteral("Prova"));
        r.window->run().tlbMain_ButtonClick(Command::End);
        QVERIFY(!r.dialogs.messages.isEmpty());
        QCOMPARE(r.dialogs.messages.removeDuplicates(), 0); // told once, not at every command
        for (const QString& message : r.dialogs.messages)
            QVERIFY(message.contains(QStringLiteral("Reti.cfg")));
        QCOMPARE(r.state.networkList[1], QByteArray("00099Prova"));
        QVERIFY(QFileInfo(folder + QStringLiteral("/Reti.cfg")).isDir());
        QVERIFY(r.window->command(QStringLiteral("LOAD"))->isEnabled() ||
                r.state.PortNumber == 0); // idle again
    }
};

SELVANA_TEST_MAIN(TestNetworksWindow)
#include "tst_networks_window.moc"
