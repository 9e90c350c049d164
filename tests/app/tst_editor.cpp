#include "common/editor_rig.h"
#include "common/test_main.h"
#include "core/image/memory_map.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using namespace selvana;
using namespace selvana::testing;

namespace {

// Byte 15 with protocol code p and the flags of the sample (multiple tx, high tones).
int options(int protocol, int extra = 0x60) {
    return protocol | extra;
}

} // namespace

class TestEditor : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void presentsEveryField() {
        EditorRig r;
        QVERIFY(r.show(sampleProteusX()));
        EditorControls& c = r.c();
        QVERIFY(!c.Frame11->isHidden());
        QCOMPARE(c.lblSerialNumber->text(), QStringLiteral("1234ABCD"));
        QVERIFY(!c.lblSerialNumber->isHidden());
        QVERIFY(c.txtSerialNumber->isHidden());
        QCOMPARE(c.txtFrequenzaTX->text(), QStringLiteral("156,0000"));
        QCOMPARE(c.lblVHFUHV->text(), QStringLiteral("VHF"));
        QCOMPARE(c.txtTempoAggancio->text(), QStringLiteral("2,5"));
        QCOMPARE(c.txtCodicePeriferica->text(), QStringLiteral("300"));
        QCOMPARE(c.cmbProtocollo->currentText(), QStringLiteral("Proteus-X"));
        QCOMPARE(c.cmbTonoSubAudio->currentText(), QStringLiteral("79.7"));
        QCOMPARE(c.cmbNumTentativiTX->currentText(), QStringLiteral("3"));
        QCOMPARE(c.cmbViaTX->currentText(), QStringLiteral("REP"));
        QCOMPARE(c.txtCodiceRep->text(), QStringLiteral("7"));
        QCOMPARE(c.lblCodRep->text(), QStringLiteral("Codice REP"));
        QVERIFY(c.chkDoppioSalto->isChecked());
        QCOMPARE(c.lblToni->text(), QStringLiteral("Alti"));
        QVERIFY(c.optPotenzaRF.at(10)->isChecked());
        QVERIFY(c.optNumIngressi.at(4)->isChecked());
        QVERIFY(c.chkCentralinaIntegrata->isChecked());
        QCOMPARE(c.txtTempoIngresso->text(), QStringLiteral("10"));
        QCOMPARE(c.txtTempoUscita->text(), QStringLiteral("20"));
        QCOMPARE(c.txtTempoSirena->text(), QStringLiteral("30"));
        QCOMPARE(c.txtCadenzaSopravvivenza->text(), QStringLiteral("24"));
        QCOMPARE(c.txtTempoCampionamentoMancanzaAC->text(), QStringLiteral("5"));
        QVERIFY(c.chkSync->isChecked());
        QVERIFY(c.chkDoppioMesaggio->isChecked());
        QVERIFY(c.optAllarmi->isChecked());
        QCOMPARE(c.txtOffsetSicep1->text(), QStringLiteral("200"));
        QCOMPARE(c.txtOffsetSicepHex01->text(), QStringLiteral("C8"));
        QCOMPARE(c.txtOffsetSicep2->text(), QStringLiteral("5"));
        QCOMPARE(c.txtOffsetSicepHex02->text(), QStringLiteral("05"));
        QCOMPARE(selectedMember(c.optSpontaneaIngresso), 5);
        QVERIFY(r.saveEnabled());
    }

    void maskShowsInvertedBits() {
        EditorRig r;
        r.show(sampleProteusX()); // byte 22 = 0xFE: only input 1 conditioned
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(r.c().ckMaskIngressi[i]->isChecked(), i == 0);
            QVERIFY(!r.c().ckMaskIngressi[i]->isHidden());
        }
        QVERIFY(!r.c().lblIngressiCondiz->isHidden());
        r.show(sampleProteusX(), 0); // before M6: hidden
        QVERIFY(r.c().lblIngressiCondiz->isHidden());
        for (QCheckBox* box : r.c().ckMaskIngressi)
            QVERIFY(box->isHidden());
    }

    // A number of inputs the editor does not offer keeps the button the protocol rule chose,
    // and the record's value is written back untouched.
    void unofferedInputCount() {
        EditorRig r;
        for (int protocol : {0, 1}) {
            r.show(with(sampleProteusX(), {{15, options(protocol)}, {28, 3}}));
            QVERIFY(r.c().optNumIngressi.at(4)->isChecked());
            QCOMPARE(r.state.record.NumIngressi, 3);
            QCOMPARE(r.written()[28], 3);
        }
    }

    void transmissionPath_data() {
        QTest::addColumn<int>("byte15");
        QTest::addColumn<int>("byte16");
        QTest::addColumn<int>("byte17");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("doubleHopEnabled");
        QTest::newRow("bidirectional with CodiceRep 7 shows IngressoBidi")
            << 0x11 << 7 << 0xFF << "Bidirezionale"
            << "1"
            << "Ingresso BIDI" << true;
        QTest::newRow("bidirectional input 3") << 0x11 << 3 << 0xFE << "Bidirezionale"
                                               << "3"
                                               << "Ingresso BIDI" << true;
        QTest::newRow("repeater 9") << 0x01 << 9 << 0xFF << "REP"
                                    << "9"
                                    << "Codice REP" << true;
        QTest::newRow("direct") << 0x41 << 5 << 0x00 << "Diretta"
                                << ""
                                << "" << false;
    }
    void transmissionPath() {
        QFETCH(int, byte15);
        QFETCH(int, byte16);
        QFETCH(int, byte17);
        EditorRig r;
        r.show(with(sampleProteusX(), {{15, byte15}, {16, byte16}, {17, byte17}}));
        QTEST(r.c().cmbViaTX->currentText(), "path");
        QTEST(r.c().txtCodiceRep->text(), "number");
        QTEST(r.c().lblCodRep->text(), "caption");
        QTEST(r.c().chkDoppioSalto->isEnabled(), "doubleHopEnabled");
        QFETCH(QString, path);
        if (path == QLatin1String("Diretta")) {
            QVERIFY(!r.c().txtCodiceRep->isEnabled());
            QVERIFY(!r.c().chkDoppioSalto->isChecked());
            QCOMPARE(r.c().lblToni->text(), QStringLiteral("Alti"));
        }
    }

    // Which inputs may report a mains failure, and which one ends selected.
    void mainsFailureInputs_data() {
        QTest::addColumn<int>("firmware");
        QTest::addColumn<bool>("panel");
        QTest::addColumn<int>("maskInverted"); // byte 22
        QTest::addColumn<int>("byte38");
        QTest::addColumn<QString>("enabled");
        QTest::addColumn<int>("selected");
        QTest::newRow("M6, inputs 2 and 5 conditioned, record 5")
            << 1 << true << 0xED << 0x10 << "134678" << 1;
        QTest::newRow("before M6, record 3") << 0 << true << 0xFF << 0x04 << "1456" << 1;
        QTest::newRow("before M6 without panel, record 3")
            << 0 << false << 0xFF << 0x04 << "12345678" << 3;
        QTest::newRow("M6 without panel ignores masks")
            << 1 << false << 0x00 << 0x80 << "12345678" << 8;
        QTest::newRow("M6, input 1 conditioned too: lowest free input")
            << 1 << true << 0xEC << 0x10 << "34678" << 3;
        QTest::newRow("M6, every input conditioned: none") << 1 << true << 0x00 << 0x01 << "" << 0;
    }
    void mainsFailureInputs() {
        QFETCH(int, firmware);
        QFETCH(bool, panel);
        QFETCH(int, maskInverted);
        QFETCH(int, byte38);
        QFETCH(int, selected);
        EditorRig r;
        r.show(with(sampleProteusX(), {{37, panel ? 1 : 0}, {22, maskInverted}, {38, byte38}}),
               firmware);
        QTEST(enabledMembers(r.c().optSpontaneaIngresso), "enabled");
        QCOMPARE(selectedMember(r.c().optSpontaneaIngresso), selected);
        if (selected) {
            QCOMPARE(int(r.state.record.SpontaneaIngresso), 1 << (selected - 1));
            QCOMPARE(int(r.written()[38]), 1 << (selected - 1));
        } else { // no input can carry the report: nothing is written
            const auto error = r.window->editor().collect();
            QVERIFY(error);
            QCOMPARE(error->control, QStringLiteral("chkSpontaneaACOff"));
        }
    }

    void conditioningAnInputMovesTheMainsInput() {
        EditorRig r;
        r.show(sampleProteusX()); // M6, panel, mains input 5
        r.c().ckMaskIngressi[4]->click();
        QVERIFY(!r.c().optSpontaneaIngresso.at(5)->isEnabled());
        // input 1 is conditioned in the sample, so the lowest free input takes over
        QCOMPARE(selectedMember(r.c().optSpontaneaIngresso), 2);
        QCOMPARE(r.state.record.SpontaneaIngresso, 2);
    }

    // With firmware M6 and the panel, the mains failure is reported on an input that is neither
    // conditioned nor, as the fallback's choice, one the peripheral lacks. With every input up to
    // the number of inputs conditioned, no input is offered or chosen and nothing is written.
    void mainsInputOfTheInputsThereAre_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("enabled");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("written"); // byte 38; -1: refused
        const Image p = sampleProteusX(); // M6, panel, 4 inputs
        QTest::newRow("UPR, every input conditioned, input 8 read")
            << with(p, {{15, options(3)}, {22, 0x00}, {23, 0xFF}, {38, 0x80}}) << "" << 0 << -1;
        QTest::newRow("inputs 1 to 4 of 4 conditioned")
            << with(p, {{22, 0xF0}, {23, 0x0F}, {38, 0x80}}) << "" << 0 << -1;
        QTest::newRow("input 4 free, conditioned input 1 read")
            << with(p, {{22, 0xF8}, {23, 0x07}, {38, 0x01}}) << "45678" << 4 << 0x08;
        QTest::newRow("input 4 free, free input 8 read stays")
            << with(p, {{22, 0xF8}, {23, 0x07}, {38, 0x80}}) << "45678" << 8 << 0x80;
        QTest::newRow("8 inputs, inputs 1 to 4 conditioned")
            << with(p, {{28, 8}, {22, 0xF0}, {23, 0x0F}, {38, 0x01}}) << "5678" << 5 << 0x10;
        QTest::newRow("without the panel, masks do not count")
            << with(p, {{37, 0}, {22, 0x00}, {23, 0xFF}, {38, 0x80}}) << "12345678" << 8 << 0x80;
    }
    void mainsInputOfTheInputsThereAre() {
        QFETCH(Image, image);
        QFETCH(int, selected);
        QFETCH(int, written);
        EditorRig r;
        r.show(image);
        QTEST(enabledMembers(r.c().optSpontaneaIngresso), "enabled");
        QCOMPARE(selectedMember(r.c().optSpontaneaIngresso), selected);
        if (written >= 0) {
            QCOMPARE(int(r.written()[38]), written);
            return;
        }
        // "Programmazione": nothing sent, nothing changed, the installer told what to do.
        const ConfigRecord before = r.state.record;
        const Image saveBefore = r.state.SaveImage;
        const int writes = int(r.link.writes.size());
        r.window->run().tlbMain_ButtonClick(Command::Save);
        QCOMPARE(int(r.link.writes.size()), writes);
        QVERIFY(r.state.SaveImage == saveBefore);
        QCOMPARE(r.state.record.SpontaneaIngresso, before.SpontaneaIngresso);
        QCOMPARE(r.dialogs.messages.size(), 1);
        for (const char* part : {"\"Spontanea su mancanza rete\"",
                                 "tutti i suoi ingressi sono "
                                 "condizionati",
                                 "Togliere il condizionamento da un ingresso"})
            QVERIFY2(r.dialogs.messages.first().contains(QString::fromUtf8(part)), part);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(r.c().chkSpontaneaACOff));
        // The same from "Esporta": no file.
        r.dialogs.savePath = r.programFolder.filePath(QStringLiteral("x.con"));
        r.c().btnEsporta->click();
        QCOMPARE(r.dialogs.messages.size(), 2);
        QVERIFY(!QFile::exists(r.dialogs.savePath));
    }

    // Either way out of it: an input freed of its conditioning carries the report (the one read,
    // input 1, is still conditioned), or the transmission is switched off. More inputs free
    // those beyond the conditioned ones.
    void mainsInputWithEveryInputConditionedCanBeMended_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("written"); // byte 38
        QTest::newRow("input 2 freed") << "ckMaskIngressi_1" << 0x02;
        QTest::newRow("mains failure off") << "chkSpontaneaACOff" << 0x00;
        QTest::newRow("8 inputs") << "optNumIngressi_8" << 0x10;
    }
    void mainsInputWithEveryInputConditionedCanBeMended() {
        EditorRig r;
        r.show(with(sampleProteusX(), {{22, 0xF0}, {23, 0x0F}, {38, 0x01}}));
        QVERIFY(r.window->editor().collect());
        QFETCH(QString, action);
        r.window->findChild<QAbstractButton*>(action)->click();
        QTEST(int(r.written()[38]), "written");
        if (action == QLatin1String("optNumIngressi_8")) { // and back to 4: none again
            QCOMPARE(selectedMember(r.c().optSpontaneaIngresso), 5);
            r.c().optNumIngressi.at(4)->click();
            QCOMPARE(enabledMembers(r.c().optSpontaneaIngresso), QString());
            QCOMPARE(selectedMember(r.c().optSpontaneaIngresso), 0);
            QVERIFY(r.window->editor().collect());
        }
    }

    void mainsFailureCleared() {
        EditorRig r;
        r.show(sampleProteusX());
        r.c().chkSpontaneaACOff->click();
        QVERIFY(r.c().txtTempoCampionamentoMancanzaAC->text().isEmpty());
        QVERIFY(!r.c().txtTempoCampionamentoMancanzaAC->isEnabled());
        QCOMPARE(enabledMembers(r.c().optSpontaneaIngresso), QString());
        QCOMPARE(selectedMember(r.c().optSpontaneaIngresso), 0);
        QCOMPARE(r.state.record.SpontaneaIngresso, 16);
        r.c().chkSpontaneaACOff->click(); // on again: reloads the record's time and input
        QCOMPARE(r.c().txtTempoCampionamentoMancanzaAC->text(), QStringLiteral("5"));
        QCOMPARE(selectedMember(r.c().optSpontaneaIngresso), 5);
        r.c().chkSpontaneaACOff->click();
        const Image out = r.written();
        QCOMPARE(out[38], 0);
        QCOMPARE(out[39], 0);
        QCOMPARE(out[40], 0);
        QCOMPARE(r.state.record.SpontaneaIngresso, 0); // a write clears it with the feature
    }

    void tones() {
        EditorRig r;
        r.show(with(sampleProteusX(), {{15, 0x21}})); // REP, low tones: no double hop
        QCOMPARE(r.c().lblToni->text(), QStringLiteral("Bassi"));
        QVERIFY(!r.c().chkDoppioSalto->isChecked());
        r.c().chkDoppioSalto->click();
        QCOMPARE(r.c().lblToni->text(), QStringLiteral("Alti"));
        QVERIFY(r.state.record.ToniAlti);
        QCOMPARE(r.written()[15] & 0x40, 0x40);
        r.c().chkDoppioSalto->click();
        QCOMPARE(r.c().lblToni->text(), QStringLiteral("Bassi"));
        r.c().cmbViaTX->setCurrentIndex(0);
        QCOMPARE(r.c().lblToni->text(), QStringLiteral("Alti"));
        QCOMPARE(r.written()[15] & 0x40, 0x40);
    }

    void multipleTransmissions() {
        EditorRig r;
        r.show(with(sampleProteusX(), {{20, 5}, {21, 5}}));
        QCOMPARE(r.c().cmbNumTentativiTX->currentText(), QStringLiteral("5"));
        r.c().chkTrasmissioniMultiple->click();
        QCOMPARE(r.c().cmbNumTentativiTX->currentText(), QStringLiteral("1"));
        QVERIFY(!r.c().cmbNumTentativiTX->isEnabled());
        QVERIFY(!r.c().chkDoppioMesaggio->isChecked());
        QVERIFY(!r.c().chkDoppioMesaggio->isEnabled());
        r.c().chkTrasmissioniMultiple->click();
        QCOMPARE(r.c().cmbNumTentativiTX->currentText(), QStringLiteral("1"));
        QVERIFY(r.c().cmbNumTentativiTX->isEnabled());
        QVERIFY(!r.c().chkDoppioMesaggio->isChecked());
        QVERIFY(r.c().chkDoppioMesaggio->isEnabled());
    }

    void reloadsFromRecordNotFromTyping() {
        EditorRig r;
        r.show(sampleProteusX());
        r.c().chkInvioSopravvivenza->click();
        QCOMPARE(r.c().txtCadenzaSopravvivenza->text(), QStringLiteral("0"));
        r.c().txtCadenzaSopravvivenza->setText(QStringLiteral("12"));
        r.c().chkInvioSopravvivenza->click();
        QCOMPARE(r.c().txtCadenzaSopravvivenza->text(), QStringLiteral("24"));
        r.c().chkInvioSopravvivenza->click();
        QCOMPARE(r.written()[35], 0xFF);
        QCOMPARE(r.written()[36], 0xFF);

        r.c().txtTempoIngresso->setText(QStringLiteral("99"));
        r.c().chkCentralinaIntegrata->click();
        QVERIFY(r.c().txtTempoIngresso->isHidden());
        QVERIFY(!r.c().ckMaskIngressi[3]->isEnabled());
        r.c().chkCentralinaIntegrata->click();
        QCOMPARE(r.c().txtTempoIngresso->text(), QStringLiteral("10"));
        QVERIFY(!r.c().txtTempoIngresso->isHidden());
    }

    // Read, then write without edits: what comes back rebuilt.
    void unchangedWriteRebuilds_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QList<int>>("positions");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("cadence rounded to hours")
            << with(sampleProteusX(), {{35, 0x05}, {36, 0xBE}}) << QList<int>{35, 36}
            << QList<int>{0x05, 0xA0};
        QTest::newRow("sampling rounded to minutes")
            << with(sampleProteusX(), {{39, 0x01}, {40, 0x2D}}) << QList<int>{39, 40}
            << QList<int>{0x01, 0x2C};
        QTest::newRow("byte 38 to its highest bit")
            << with(sampleProteusX(), {{38, 0x16}}) << QList<int>{38} << QList<int>{0x10};
        QTest::newRow("network not in the list written back")
            << sampleProteusX() << QList<int>{24, 25} << QList<int>{0, 12};
        QTest::newRow("protocol code 4 written as 5") << with(sampleProteusX(), {{15, options(4)}})
                                                      << QList<int>{15} << QList<int>{options(5)};
        QTest::newRow("attempts 2 written as 1")
            << with(sampleProteusX(), {{20, 2}, {21, 2}}) << QList<int>{20, 21} << QList<int>{1, 1};
        QTest::newRow("constants and copies")
            << with(sampleProteusX(), {{29, 0}, {34, 0x99}, {48, 7}, {50, 0xFF}, {54, 1}, {55, 0}})
            << QList<int>{29, 34, 48, 50, 54, 55} << QList<int>{0xFF, 0x05, 0, 0x03, 0x99, 0x24};
    }
    void unchangedWriteRebuilds() {
        QFETCH(Image, image);
        QFETCH(QList<int>, positions);
        QFETCH(QList<int>, expected);
        EditorRig r;
        r.show(image);
        const Image out = r.written();
        for (int i = 0; i < positions.size(); ++i)
            QCOMPARE(int(out[positions[i]]), expected[i]);
        QCOMPARE(out[64], CalcolaCKSSave(out));
        for (int k : {1, 2, 3, 4, 13, 14, 18, 19, 31, 32, 42, 43, 44, 53})
            QCOMPARE(out[k], image[k]);
    }

    void listedNetworkKept() {
        EditorRig r;
        r.state.networkList[3] = "00012Nord";
        r.show(sampleProteusX());
        QCOMPARE(r.c().cmbCodiceRete->currentText(), QStringLiteral("00012 Nord"));
        QCOMPARE(r.c().cmbCodiceRete->currentIndex(), 1);
        const Image out = r.written();
        QCOMPARE(out[24] * 256 + out[25], 12);
    }

    void editedValuesEncoded_data() {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("lockTime");
        QTest::addColumn<QByteArray>("expected"); // bytes 5 (bit 0), 6, 7, 11, 26, 27
        QTest::newRow("156 Proteus 1023") << 0 << "1023"
                                          << "156"
                                          << "2,5"
                                          << QByteArray::fromHex("00618019"
                                                                 "03FF");
        QTest::newRow("433,92 Sicep 1023") << 2 << "1023"
                                           << "433,92"
                                           << "0,1"
                                           << QByteArray::fromHex("010F1A01"
                                                                  "1023");
        QTest::newRow("Sicep 7") << 2 << "7"
                                 << "146"
                                 << "25,5"
                                 << QByteArray::fromHex("005B20FF"
                                                        "0007");
    }
    void editedValuesEncoded() {
        QFETCH(int, protocol);
        QFETCH(QString, code);
        QFETCH(QString, frequency);
        QFETCH(QString, lockTime);
        QFETCH(QByteArray, expected);
        EditorRig r;
        r.show(sampleProteusX());
        r.c().cmbProtocollo->setCurrentIndex(protocol);
        r.c().txtCodicePeriferica->setText(code);
        r.c().txtFrequenzaTX->setText(frequency);
        r.c().txtTempoAggancio->setText(lockTime);
        const Image out = r.written();
        const auto e = [&](int i) { return int(static_cast<std::uint8_t>(expected[i])); };
        QCOMPARE(out[5] & 1, e(0));
        QCOMPARE(int(out[6]), e(1));
        QCOMPARE(int(out[7]), e(2));
        QCOMPARE(int(out[11]), e(3));
        QCOMPARE(int(out[12]), e(3));
        QCOMPARE(int(out[26]), e(4));
        QCOMPARE(int(out[27]), e(5));
        QCOMPARE(int(out[15] & 7), protocol);
    }

    void decimalFollowsLocale() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        EditorRig r;
        r.show(sampleProteusX());
        QCOMPARE(r.c().txtFrequenzaTX->text(), QStringLiteral("156.0000"));
        QCOMPARE(r.c().txtTempoAggancio->text(), QStringLiteral("2.5"));
        r.c().txtTempoAggancio->setText(QStringLiteral("0.7"));
        QCOMPARE(r.written()[11], 7);
        r.c().txtTempoAggancio->setText(QStringLiteral("2,5")); // not this locale's number
        QVERIFY(r.window->editor().collect().has_value());
    }

    // Nothing leaves and nothing changes when a field cannot be collected; the installer is told
    // which one and finds the focus there.
    void unconvertibleFieldStopsTheWrite_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty siren time") << "txtTempoSirena"
                                          << "";
        QTest::newRow("siren time over a byte") << "txtTempoSirena"
                                                << "256";
        QTest::newRow("frequency not a number") << "txtFrequenzaTX"
                                                << "1,2,3";
        QTest::newRow("frequency below the VHF band (reads back as UHF)") << "txtFrequenzaTX"
                                                                          << "140";
        QTest::newRow("empty code") << "txtCodicePeriferica"
                                    << "";
        QTest::newRow("code over 16 bits") << "txtCodicePeriferica"
                                           << "40000";
        QTest::newRow("lock time over a byte") << "txtTempoAggancio"
                                               << "25,6";
        QTest::newRow("sampling time product") << "txtTempoCampionamentoMancanzaAC"
                                               << "547";
        QTest::newRow("repeater emptied") << "txtCodiceRep"
                                          << "";
    }
    void unconvertibleFieldStopsTheWrite() {
        QFETCH(QString, control);
        QFETCH(QString, text);
        EditorRig r;
        r.show(sampleProteusX());
        r.window->run().tlbMain_ButtonClick(Command::Load); // a run is open
        r.link.incoming = "\nK\r"; // a frame counts after the peripheral's announcement
        r.window->run().tmrClock_Timer();
        r.link.incoming = readFrame(sampleProteusX());
        r.window->run().tmrClock_Timer();
        const ConfigRecord before = r.state.record;
        const Image saveBefore = r.state.SaveImage;
        const int writes = int(r.link.writes.size());
        auto* box = r.window->findChild<QLineEdit*>(control);
        box->setText(text);
        r.window->run().tlbMain_ButtonClick(Command::Save);
        QCOMPARE(int(r.link.writes.size()), writes);
        QVERIFY(r.state.SaveImage == saveBefore);
        QVERIFY(r.state.record.TempoSirena == before.TempoSirena);
        QCOMPARE(r.dialogs.messages.size(), 1);
        QVERIFY(r.dialogs.messages.first().contains(QStringLiteral("\"")));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
        QVERIFY(r.saveEnabled()); // correct it and try again
    }

    // The same peripheral gives the same editor and the same bytes whatever came before it.
    void historyDoesNotLeak_data() {
        QTest::addColumn<Image>("before");
        QTest::addColumn<int>("firmwareBefore");
        QTest::addColumn<Image>("peripheral");
        QTest::addColumn<int>("firmware");
        QTest::addColumn<int>("byte"); // one byte the sound result is known for
        QTest::addColumn<int>("value");
        // Proteus-X with 1 input after a Sicep one keeps its 1 input.
        QTest::newRow("inputs after Sicep")
            << sampleSicep() << 1 << with(sampleProteusX(), {{28, 1}, {22, 0xFF}, {23, 0}}) << 1
            << 28 << 1;
        // Sicep holding alarms after a UPR one sending states is written with states.
        QTest::newRow("alarms after states")
            << with(sampleProteusX(), {{15, 0x0B}, {17, 0}}) << 1
            << with(sampleSicep(), {{15, 0x42}}) << 1 << 15 << 0x4A;
        // Firmware before M6 after an M6 one with conditioned inputs: no input conditioned.
        QTest::newRow("masks after M6") << with(sampleProteusX(), {{22, 0x0F}, {23, 0xF0}}) << 1
                                        << sampleProteusX() << 0 << 22 << 0xFF;
        QTest::newRow("mains input kept by byte 38 = 0")
            << with(sampleProteusX(), {{38, 0x80}}) << 1 << with(sampleProteusX(), {{38, 0}}) << 1
            << 38 << 0;
    }
    void historyDoesNotLeak() {
        QFETCH(Image, before);
        QFETCH(int, firmwareBefore);
        QFETCH(Image, peripheral);
        QFETCH(int, firmware);
        Image first;
        {
            EditorRig fresh;
            fresh.show(peripheral, firmware);
            first = fresh.written();
        }
        EditorRig r;
        r.show(before, firmwareBefore);
        r.c().chkTrasmissioniMultiple->click(); // edits, then a write of the other peripheral
        r.c().txtTempoSirena->setText(QStringLiteral("77"));
        r.written();
        r.show(peripheral, firmware);
        const Image again = r.written();
        for (int k = 1; k <= 64; ++k)
            QVERIFY2(again[k] == first[k], qPrintable(QStringLiteral("byte %1: %2 instead of %3")
                                                          .arg(k)
                                                          .arg(again[k], 2, 16)
                                                          .arg(first[k], 2, 16)));
        QFETCH(int, byte);
        QTEST(int(again[byte]), "value");
        QCOMPARE(r.c().chkSpontaneaACOff->isChecked(), peripheral[38] != 0);
    }

    void statesForSicepAlarms() {
        EditorRig r;
        r.show(with(sampleSicep(), {{15, 0x42}})); // Sicep without the states bit
        QVERIFY(r.c().optStati->isChecked());
        QVERIFY(!r.c().optAllarmi->isEnabled());
        QCOMPARE(r.written()[15] & 0x08, 0x08);
    }
};

SELVANA_TEST_MAIN(TestEditor)
#include "tst_editor.moc"
