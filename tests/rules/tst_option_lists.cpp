#include "common/test_files.h"
#include "core/options/option_lists.h"

#include "core/networks/networks_file.h"

#include <QTest>

using namespace selvana;
using namespace selvana::testing;

class TestOptionLists : public QObject {
    Q_OBJECT
private slots:
    void fixedListsInFillOrder() {
        const OptionListItems all = optionListItems(defaultNetworkList());
        QCOMPARE(all.protocollo, (QStringList{"Proteus", "Proteus-X", "Sicep", "UPR", "UPR-52"}));
        QCOMPARE(all.codiceRete, QStringList{QStringLiteral("00000 Non assegnata")});
        QCOMPARE(all.tonoSubAudio.size(), 33);
        QCOMPARE(all.tonoSubAudio.first(), QStringLiteral("Nessuno"));
        QCOMPARE(all.tonoSubAudio.last(), QStringLiteral("203.5"));
        QCOMPARE(all.viaTX, (QStringList{"Diretta", "REP", "Bidirezionale"}));
        QCOMPARE(all.numTentativiTX, (QStringList{"1", "3", "5"}));
    }

    void networkItems_data() {
        QTest::addColumn<QByteArrayList>("entries");
        QTest::addColumn<QStringList>("items");
        const QString none = QStringLiteral("00000 Non assegnata");
        QTest::newRow("empty list") << QByteArrayList{} << QStringList{none};
        QTest::newRow("Nord") << QByteArrayList{"00012Nord"} << QStringList{none, "00012 Nord"};
        QTest::newRow("ID alone") << QByteArrayList{"00012"} << QStringList{none, "00012 "};
        QTest::newRow("unassigned first") << QByteArrayList{"00000Rete non assegnata", "00345Est"}
                                          << QStringList{none, "00345 Est"};
        QTest::newRow("00000 never listed") << QByteArrayList{"00000Qualcosa"} << QStringList{none};
        QTest::newRow("hand-edited IDs")
            << QByteArrayList{"ABCDE", "  012x", "12", "0001a", "-0001", "00007Ok"}
            << QStringList{none, "00007 Ok"};
        QTest::newRow("code page") << QByteArrayList{"00001Forl\xEC \x80"}
                                   << QStringList{none, QString::fromUtf8("00001 Forlì €")};
        QTest::newRow("entry 100") << QByteArrayList(99, "00000") + QByteArrayList{"65535Z"}
                                   << QStringList{none, "65535 Z"};
    }
    void networkItems() {
        QFETCH(QByteArrayList, entries);
        QTEST(cmbCodiceReteItems(listOf(entries)), "items");
    }

    void itemsAgreeWithLookupReti() {
        const NetworkList list =
            listOf({"00000x", "00345Est", "XYZ12", "00012Nord", "00012Doppio", "00000", "00007"});
        const QStringList items = cmbCodiceReteItems(list);
        QCOMPARE(LookupReti(345, list), 1);
        for (int code : {345, 12, 7}) {
            const int position = LookupReti(code, list);
            QVERIFY(position > 0);
            QCOMPARE(items[position].left(5).toInt(), code);
        }
        QCOMPARE(items[LookupReti(12, list)], QStringLiteral("00012 Nord"));
    }

    void getNomeRete_data() {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("Nord") << QByteArray("00012Nord") << QByteArray("Nord");
        QTest::newRow("ID only") << QByteArray("00012") << QByteArray();
        QTest::newRow("short") << QByteArray("12") << QByteArray();
        QTest::newRow("one char") << QByteArray("00012 ") << QByteArray(" ");
    }
    void getNomeRete() {
        QFETCH(QByteArray, entry);
        QTEST(GetNomeRete(entry), "name");
    }

    void lookupProtocol_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("item");
        QTest::newRow("0") << 0 << 0 << "Proteus";
        QTest::newRow("1") << 1 << 1 << "Proteus-X";
        QTest::newRow("2") << 2 << 2 << "Sicep";
        QTest::newRow("3") << 3 << 3 << "UPR";
        QTest::newRow("4") << 4 << 4 << "UPR-52";
        QTest::newRow("5") << 5 << 4 << "UPR-52";
        QTest::newRow("6") << 6 << 6 << "";
        QTest::newRow("7") << 7 << 7 << "";
    }
    void lookupProtocol() {
        QFETCH(int, code);
        QFETCH(int, position);
        QFETCH(QString, item);
        QCOMPARE(LookupProtocol(code), position);
        QCOMPARE(cmbProtocolloItems().value(position), item);
        if (code != 4 && code < 6) // choosing the item stores the code back
            QCOMPARE(protocolCodeOf(position), code);
    }

    void lookupTXMultiple_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("position");
        for (int c : {0, 2, 4, 7, -1})
            QTest::addRow("%d", c) << c << 0;
        QTest::newRow("1") << 1 << 0;
        QTest::newRow("3") << 3 << 1;
        QTest::newRow("5") << 5 << 2;
    }
    void lookupTXMultiple() {
        QFETCH(int, count);
        QTEST(LookupTXMultiple(count), "position");
    }

    // A network code no listed entry carries gets an item of its own; 0 and listed codes do not.
    void unlistedNetwork_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("unlisted");
        QTest::newRow("0") << 0 << false;
        QTest::newRow("listed") << 12 << false;
        QTest::newRow("not listed") << 77 << true;
        QTest::newRow("only in a hand-edited entry") << 7 << true;
        QTest::newRow("16 bits") << 65535 << true;
    }
    void unlistedNetwork() {
        QFETCH(int, code);
        QTEST(isUnlistedNetwork(code, listOf({"00012Nord", "  007Sette"})), "unlisted");
    }
    void unlistedNetworkItem() {
        QCOMPARE(cmbCodiceReteUnlistedItem(12), QStringLiteral("00012 (non in elenco)"));
        QCOMPARE(cmbCodiceReteUnlistedItem(65535), QStringLiteral("65535 (non in elenco)"));
    }
};

QTEST_GUILESS_MAIN(TestOptionLists)
#include "tst_option_lists.moc"
