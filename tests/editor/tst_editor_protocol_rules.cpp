#include "core/image/config_decoder.h"
#include "editor/model_rig.h"

using namespace selvana;
using namespace selvana::testing;
using editor::Array;

namespace {

Image proteusXDirect(int byte16 = 0) {
    return with(sampleProteusX(), {{16, byte16}, {17, 0x00}});
}

Image withNetwork(Image image, int code) {
    return with(image, {{24, code >> 8}, {25, code & 0xFF}});
}

} // namespace

class TestEditorProtocolRules : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(kItalian); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void sicepLocksThePathAndSendsStates() {
        ModelRig r;
        QVERIFY(r.read(sampleProteusX())); // repeater 7 with double hop, offsets 200 and 5
        QVERIFY(r.checked(Ctl::chkDoppioSalto));
        QVERIFY(r.choose(Ctl::cmbProtocollo, QStringLiteral("Sicep")));

        QCOMPARE(r.current(Ctl::cmbViaTX), QStringLiteral("Diretta"));
        QVERIFY(!r.enabled(Ctl::cmbViaTX));
        QVERIFY(!r.choose(Ctl::cmbViaTX, QStringLiteral("REP")));
        QVERIFY(r.text(Ctl::txtCodiceRep).isEmpty());
        QVERIFY(!r.visible(Ctl::txtCodiceRep));
        QVERIFY(!r.enabled(Ctl::txtCodiceRep));
        QVERIFY(!r.visible(Ctl::lblCodRep));
        QVERIFY(!r.checked(Ctl::chkDoppioSalto));
        QVERIFY(!r.enabled(Ctl::chkDoppioSalto));
        QVERIFY(!r.visible(Ctl::chkDoppioSalto));
        QCOMPARE(r.text(Ctl::lblToni), QStringLiteral("Alti"));
        QVERIFY(r.checked(Ctl::optStati));
        QVERIFY(!r.enabled(Ctl::optAllarmi));
        QVERIFY(!r.click(Ctl::optAllarmi));
        QCOMPARE(r.enabledMembers(Array::NumIngressi), QStringLiteral("6"));
        QCOMPARE(r.selectedMember(Array::NumIngressi), 6);
        QVERIFY(r.checked(Ctl::chkRimappaturaIngressiSicep));
        QVERIFY(r.enabled(Ctl::chkRimappaturaIngressiSicep));
        QCOMPARE(r.text(Ctl::txtOffsetSicep1), QStringLiteral("200"));
        QCOMPARE(r.text(Ctl::txtOffsetSicep2), QStringLiteral("5"));
        QVERIFY(r.enabled(Ctl::txtOffsetSicep1) && r.enabled(Ctl::txtOffsetSicep2));
        QCOMPARE(r.text(Ctl::txtOffsetSicepHex01), QStringLiteral("C8"));
        QCOMPARE(r.text(Ctl::txtOffsetSicepHex02), QStringLiteral("05"));
        QVERIFY(!r.enabled(Ctl::txtOffsetSicepHex01) && !r.enabled(Ctl::txtOffsetSicepHex02));
        QVERIFY(r.position(Ctl::cmbCodiceRete) == -1 && !r.enabled(Ctl::cmbCodiceRete));
        QVERIFY(r.model.saveEnabled());

        const Image out = r.written();
        QCOMPARE(out[15], 0x02 | 0x08 | 0x20 | 0x40); // Sicep, states, multiple tx, high tones
        QCOMPARE(out[16], 0);
        QCOMPARE(out[17], 0);
        QCOMPARE(out[28], 6);
        QCOMPARE(out[5] & 0x40, 0x40);
        QCOMPARE(out[26], 0x03); // code 300 in BCD
        QCOMPARE(out[27], 0x00);
        QCOMPARE(out[51], 200);
        QCOMPARE(out[52], 5);
    }

    void leavingSicep_data() {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("inputs");
        QTest::addColumn<QString>("hex"); // both Hex boxes
        QTest::addColumn<bool>("doubleHopShown");
        const std::tuple<const char*, const char*, const char*, bool> rows[] = {
            {"Proteus", "1248", "", false},
            {"Proteus-X", "1248", "", true},
            {"UPR-52", "1248", "", false},
            {"UPR", "4", "00", false},
        };
        for (const auto& [protocol, inputs, hex, shown] : rows)
            QTest::newRow(protocol) << protocol << inputs << hex << shown;
    }
    void leavingSicep() {
        QFETCH(QString, protocol);
        QFETCH(QString, hex);
        ModelRig r;
        QVERIFY(r.read(sampleSicep()));
        QVERIFY(r.choose(Ctl::cmbProtocollo, protocol));

        QTEST(r.enabledMembers(Array::NumIngressi), "inputs");
        QCOMPARE(r.selectedMember(Array::NumIngressi), 4);
        QCOMPARE(r.session.record.NumIngressi, 4);
        QVERIFY(!r.checked(Ctl::chkRimappaturaIngressiSicep));
        QVERIFY(!r.enabled(Ctl::chkRimappaturaIngressiSicep));
        for (Ctl box : {Ctl::txtOffsetSicep1, Ctl::txtOffsetSicep2}) {
            QVERIFY(r.text(box).isEmpty());
            QVERIFY(!r.enabled(box));
        }
        for (Ctl box : {Ctl::txtOffsetSicepHex01, Ctl::txtOffsetSicepHex02}) {
            QCOMPARE(r.text(box), hex);
            QVERIFY(!r.enabled(box));
        }
        QTEST(r.visible(Ctl::chkDoppioSalto), "doubleHopShown");
        QVERIFY(!r.checked(Ctl::chkDoppioSalto));
        QVERIFY(r.enabled(Ctl::optAllarmi));
        QVERIFY(r.checked(Ctl::optStati)); // untouched until the installer picks alarms
        QVERIFY(r.enabled(Ctl::cmbViaTX));
        QCOMPARE(r.current(Ctl::cmbViaTX), QStringLiteral("Diretta"));

        const Image out = r.written();
        QCOMPARE(out[28], 4);
        QCOMPARE(out[5] & 0x40, 0);
        QCOMPARE(out[51], 0);
        QCOMPARE(out[52], 0);
        QCOMPARE(out[26] * 256 + out[27], 1234); // a plain number now

        // Free again: the path and alarms can be chosen.
        QVERIFY(r.choose(Ctl::cmbViaTX, QStringLiteral("REP")));
        QVERIFY(r.click(Ctl::optAllarmi));
        QVERIFY(r.checked(Ctl::optAllarmi) && !r.checked(Ctl::optStati));
        QCOMPARE(r.session.record.InviaStati, 0);
    }

    // Only Proteus-X offers a network; any other protocol leaves the list empty and writes 0.
    // A code no listed network carries shows as an item of its own and is written back.
    void networkFollowsProtocol_data() {
        QTest::addColumn<int>("network");
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("written");
        struct Row {
            const char* name;
            int network;
            const char* protocol;
            int position;
            const char* text;
            int written;
        };
        const Row rows[] = {
            {"Proteus-X, network 0", 0, "Proteus-X", 0, "00000 Non assegnata", 0},
            {"Proteus-X, network 12", 12, "Proteus-X", 1, "00012 Nord", 12},
            {"Proteus-X, unlisted network", 77, "Proteus-X", 2, "00077 (non in elenco)", 77},
            {"Proteus-X, unlisted 65535", 65535, "Proteus-X", 2, "65535 (non in elenco)", 65535},
            {"Proteus", 12, "Proteus", -1, "", 0},
            {"UPR", 12, "UPR", -1, "", 0},
            {"UPR-52, unlisted network", 77, "UPR-52", -1, "", 0},
        };
        for (const Row& row : rows)
            QTest::newRow(row.name)
                << row.network << row.protocol << row.position << row.text << row.written;
    }
    void networkFollowsProtocol() {
        QFETCH(int, network);
        QFETCH(QString, protocol);
        QFETCH(int, position);
        ModelRig r;
        r.session.networkList[1] = "00012Nord";
        QVERIFY(r.read(withNetwork(sampleSicep(), network)));
        QCOMPARE(r.position(Ctl::cmbCodiceRete), -1);
        QVERIFY(r.choose(Ctl::cmbProtocollo, protocol));
        QCOMPARE(r.position(Ctl::cmbCodiceRete), position);
        QTEST(r.current(Ctl::cmbCodiceRete), "text");
        QCOMPARE(r.enabled(Ctl::cmbCodiceRete), position >= 0);
        const Image out = r.written();
        QTEST(out[24] * 256 + out[25], "written");
    }

    // The item of an unlisted code belongs to the presentation that made it: changing the
    // protocol back and forth keeps one such item, and the next read or FillCombos starts from
    // the networks list again.
    void unlistedNetworkItem() {
        ModelRig r;
        r.session.networkList[1] = "00012Nord";
        QVERIFY(r.read(withNetwork(sampleProteusX(), 77)));
        QCOMPARE(r[Ctl::cmbCodiceRete].items,
                 (QStringList{"00000 Non assegnata", "00012 Nord", "00077 (non in elenco)"}));
        QCOMPARE(r.current(Ctl::cmbCodiceRete), QStringLiteral("00077 (non in elenco)"));
        QVERIFY(r.choose(Ctl::cmbProtocollo, QStringLiteral("Proteus")));
        QVERIFY(r.choose(Ctl::cmbProtocollo, QStringLiteral("Proteus-X")));
        QCOMPARE(r[Ctl::cmbCodiceRete].items.size(), 3);
        QCOMPARE(r.position(Ctl::cmbCodiceRete), 2);

        // The installer picks a listed network instead: that one is written.
        QVERIFY(r.choose(Ctl::cmbCodiceRete, QStringLiteral("00012 Nord")));
        QCOMPARE(r.written()[25], 12);

        QVERIFY(r.read(withNetwork(sampleProteusX(), 12)));
        QCOMPARE(r[Ctl::cmbCodiceRete].items.size(), 2);
        QVERIFY(r.read(withNetwork(sampleProteusX(), 77)));
        r.model.fillCombos();
        QCOMPARE(r[Ctl::cmbCodiceRete].items.size(), 2);
    }

    // The path rule asks for the repeater or bidirectional input, raising a 0 to 1.
    void pathAsksForItsNumber_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("doubleHop");
        QTest::addColumn<int>("marker");
        QTest::newRow("REP") << proteusXDirect() << "REP"
                             << "Codice REP" << false << 0xFF;
        QTest::newRow("Bidirezionale") << proteusXDirect() << "Bidirezionale"
                                       << "Ingresso BIDI" << false << 0xFE;
        // A direct image whose byte 16 is set keeps its double hop for a later path.
        QTest::newRow("REP, double hop from the image") << proteusXDirect(5) << "REP"
                                                        << "Codice REP" << true << 0xFF;
    }
    void pathAsksForItsNumber() {
        QFETCH(Image, image);
        QFETCH(QString, path);
        QFETCH(bool, doubleHop);
        QFETCH(int, marker);
        ModelRig r;
        QVERIFY(r.read(image));
        QCOMPARE(r.current(Ctl::cmbViaTX), QStringLiteral("Diretta"));
        QVERIFY(!r.visible(Ctl::txtCodiceRep));
        QVERIFY(r.choose(Ctl::cmbViaTX, path));

        QCOMPARE(r.text(Ctl::txtCodiceRep), QStringLiteral("1"));
        QVERIFY(r.enabled(Ctl::txtCodiceRep));
        QVERIFY(r.visible(Ctl::txtCodiceRep));
        QVERIFY(r.visible(Ctl::lblCodRep));
        QTEST(r.text(Ctl::lblCodRep), "caption");
        QVERIFY(r.enabled(Ctl::chkDoppioSalto));
        QCOMPARE(r.checked(Ctl::chkDoppioSalto), doubleHop);
        QCOMPARE(r.text(Ctl::lblToni),
                 doubleHop ? QStringLiteral("Alti") : QStringLiteral("Bassi"));
        QCOMPARE(marker == 0xFF ? r.session.record.CodiceRep : r.session.record.IngressoBidi, 1);
        Image out = r.written();
        QCOMPARE(out[16], 1);
        QCOMPARE(int(out[17]), marker);
        QCOMPARE(out[15] & 0x10, marker == 0xFE ? 0x10 : 0);
        QCOMPARE(out[15] & 0x40, doubleHop ? 0x40 : 0);

        // Back to direct: high tones whatever double hop said, nothing asked.
        QVERIFY(r.choose(Ctl::cmbViaTX, QStringLiteral("Diretta")));
        QCOMPARE(r.text(Ctl::lblToni), QStringLiteral("Alti"));
        QVERIFY(!r.checked(Ctl::chkDoppioSalto));
        QVERIFY(!r.enabled(Ctl::chkDoppioSalto));
        QVERIFY(r.text(Ctl::txtCodiceRep).isEmpty());
        QVERIFY(!r.visible(Ctl::txtCodiceRep));
        QVERIFY(!r.visible(Ctl::lblCodRep));
        out = r.written();
        QCOMPARE(out[16], 0);
        QCOMPARE(out[17], 0);
        QCOMPARE(out[15] & 0x50, 0x40);
    }

    void tones() {
        ModelRig r;
        r.read(with(sampleProteusX(), {{15, 0x21}})); // REP, low tones: no double hop
        QCOMPARE(r.text(Ctl::lblToni), QStringLiteral("Bassi"));
        QVERIFY(!r.checked(Ctl::chkDoppioSalto));
        QVERIFY(r.click(Ctl::chkDoppioSalto));
        QCOMPARE(r.text(Ctl::lblToni), QStringLiteral("Alti"));
        QVERIFY(r.session.record.ToniAlti);
        QCOMPARE(r.written()[15] & 0x40, 0x40);
        QVERIFY(r.click(Ctl::chkDoppioSalto));
        QCOMPARE(r.text(Ctl::lblToni), QStringLiteral("Bassi"));
        QVERIFY(!r.session.record.ToniAlti);
        QVERIFY(r.choose(Ctl::cmbViaTX, QStringLiteral("Diretta")));
        QCOMPARE(r.text(Ctl::lblToni), QStringLiteral("Alti"));
        QCOMPARE(r.written()[15] & 0x40, 0x40);
    }

    void statesForSicepAlarms() {
        ModelRig r;
        r.read(with(sampleSicep(), {{15, 0x42}})); // Sicep without the states bit
        QVERIFY(r.checked(Ctl::optStati));
        QVERIFY(!r.enabled(Ctl::optAllarmi));
        QCOMPARE(r.written()[15] & 0x08, 0x08);
    }

    // The code is checked again the moment the protocol changes, wherever the focus is.
    void protocolChangeRechecksTheCode() {
        ModelRig r;
        QVERIFY(r.read(with(sampleProteusX(), {{26, 0x13}, {27, 0x88}}))); // 5000
        QCOMPARE(r.text(Ctl::txtCodicePeriferica), QStringLiteral("5000"));
        r.saveDecisions.clear();
        QVERIFY(r.choose(Ctl::cmbProtocollo, QStringLiteral("Proteus")));
        QCOMPARE(r.colour(Ctl::txtCodicePeriferica), editor::kRed);
        QCOMPARE(r.saveDecisions, QList<bool>{false}); // one rule run, one decision
        QCOMPARE(r.focus, Ctl::txtCodicePeriferica);
        // Leaving the red code for the list checks it once more; the choice then turns it black.
        r.saveDecisions.clear();
        QVERIFY(r.choose(Ctl::cmbProtocollo, QStringLiteral("Proteus-X")));
        QCOMPARE(r.colour(Ctl::txtCodicePeriferica), editor::kBlack);
        QCOMPARE(r.saveDecisions, (QList<bool>{false, true}));

        // The same item again changes nothing and runs nothing.
        r.focusOn(Ctl::cmbProtocollo);
        r.saveDecisions.clear();
        r.model.takeChanged();
        QVERIFY(r.choose(Ctl::cmbProtocollo, QStringLiteral("Proteus-X")));
        QVERIFY(r.saveDecisions.isEmpty());
        QVERIFY(r.model.takeChanged().empty());
        // A position the list does not have is refused, and the selection stays.
        QVERIFY(!r.model.choose(Ctl::cmbProtocollo, 5));
        QCOMPARE(r.current(Ctl::cmbProtocollo), QStringLiteral("Proteus-X"));
    }

    // Every protocol's column, as the installer picks it after a Sicep read (path free again).
    void protocolColumns_data() {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("inputs");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<bool>("remapping");
        QTest::addColumn<bool>("network");
        QTest::addColumn<bool>("alarms");
        QTest::addColumn<bool>("path");
        QTest::addColumn<int>("codeMaximum");
        struct Row {
            const char* protocol;
            const char* inputs;
            int chosen;
            bool remapping, network, alarms, path;
            int codeMaximum;
        };
        const Row rows[] = {
            {"Proteus", "1248", 4, false, false, true, true, 1023},
            {"Proteus-X", "1248", 4, false, true, true, true, 9999},
            {"UPR-52", "1248", 4, false, false, true, true, 9999},
            {"UPR", "4", 4, false, false, true, true, 9999},
            {"Sicep", "6", 6, true, false, false, false, 9999},
        };
        for (const Row& row : rows)
            QTest::newRow(row.protocol) << row.protocol << row.inputs << row.chosen << row.remapping
                                        << row.network << row.alarms << row.path << row.codeMaximum;
    }
    void protocolColumns() {
        QFETCH(QString, protocol);
        QFETCH(int, chosen);
        QFETCH(int, codeMaximum);
        ModelRig r;
        QVERIFY(r.read(with(sampleProteusX(), {{15, 0x63}, {26, 0}, {27, 1}}))); // UPR, code 1
        if (protocol == QLatin1String("UPR"))
            QVERIFY(r.choose(Ctl::cmbProtocollo, QStringLiteral("Proteus")));
        QVERIFY(r.choose(Ctl::cmbProtocollo, protocol));
        QTEST(r.enabledMembers(Array::NumIngressi), "inputs");
        QCOMPARE(r.selectedMember(Array::NumIngressi), chosen);
        QCOMPARE(int(r.session.record.NumIngressi), chosen);
        QTEST(r.checked(Ctl::chkRimappaturaIngressiSicep), "remapping");
        QTEST(r.enabled(Ctl::chkRimappaturaIngressiSicep), "remapping");
        QTEST(r.enabled(Ctl::cmbCodiceRete), "network");
        QTEST(r.visible(Ctl::chkDoppioSalto), "network");
        QTEST(r.enabled(Ctl::optAllarmi), "alarms");
        QTEST(r.enabled(Ctl::cmbViaTX), "path");
        r.type(Ctl::txtCodicePeriferica, QString::number(codeMaximum));
        QVERIFY(r.model.writable());
        r.type(Ctl::txtCodicePeriferica, QString::number(codeMaximum + 1));
        QVERIFY(!r.model.writable());
        QCOMPARE(r.colour(Ctl::txtCodicePeriferica), editor::kRed);
    }

    // The record's code is written in the encoding of the protocol chosen.
    void codeEncodingFollowsTheProtocol_data() {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        const std::tuple<const char*, const char*, int, int> rows[] = {
            {"Sicep", "7", 0x00, 0x07},
            {"Proteus", "7", 0x00, 0x07},
            {"Proteus", "1023", 0x03, 0xFF},
            {"Sicep", "1023", 0x10, 0x23},
        };
        for (const auto& [protocol, code, high, low] : rows)
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(protocol, code)))
                << protocol << code << high << low;
    }
    void codeEncodingFollowsTheProtocol() {
        QFETCH(QString, protocol);
        QFETCH(QString, code);
        ModelRig r;
        QVERIFY(r.read(sampleProteusX()));
        QVERIFY(r.choose(Ctl::cmbProtocollo, protocol));
        r.type(Ctl::txtCodicePeriferica, code);
        const Image out = r.written();
        QTEST(int(out[26]), "high");
        QTEST(int(out[27]), "low");
        QCOMPARE(QString::number(decodePeripheralCode(out[26], out[27], out[15] & 7)), code);
    }
};

QTEST_APPLESS_MAIN(TestEditorProtocolRules)
#include "tst_editor_protocol_rules.moc"
