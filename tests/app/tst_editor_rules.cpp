#include "common/editor_rig.h"
#include "common/test_main.h"
#include "core/image/config_decoder.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace selvana;
using namespace selvana::testing;

namespace {

const QLocale kItalian(QLocale::Italian, QLocale::Italy);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

// A decimal written with a comma, in the separator of the current locale.
QString local(QString text) {
    return text.replace(QLatin1Char(','), QLocale().decimalPoint());
}

QWidget* focused() {
    return QApplication::focusWidget();
}

// Picks a list item with the keyboard as an installer does; false when the list will not move.
bool choose(QComboBox* list, const QString& item) {
    const int target = list->findText(item);
    if (target < 0)
        return false;
    list->setFocus(Qt::MouseFocusReason);
    for (int step = 0; step < 8 && list->currentIndex() != target; ++step)
        QTest::keyClick(list, list->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
    return list->currentIndex() == target;
}

// Keys as an installer presses them. Words name keys ("Home", "Left", "ShiftLeft", "SelectAll",
// "Backspace", "Delete", "Cut", "Paste", "Return", "Enter", "Escape"); anything else is typed as
// characters. Delete and the control keys carry the text a Linux desktop sends with them.
void press(QWidget* box, const QString& script) {
    for (const QString& word : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (word == QLatin1String("Home"))
            QTest::keyClick(box, Qt::Key_Home);
        else if (word == QLatin1String("End"))
            QTest::keyClick(box, Qt::Key_End);
        else if (word == QLatin1String("Left"))
            QTest::keyClick(box, Qt::Key_Left);
        else if (word == QLatin1String("Right"))
            QTest::keyClick(box, Qt::Key_Right);
        else if (word == QLatin1String("ShiftLeft"))
            QTest::keyClick(box, Qt::Key_Left, Qt::ShiftModifier);
        else if (word == QLatin1String("SelectAll"))
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_A, QChar(1), Qt::ControlModifier);
        else if (word == QLatin1String("Backspace"))
            QTest::keyClick(box, Qt::Key_Backspace);
        else if (word == QLatin1String("Delete"))
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_Delete, QChar(0x7F), Qt::NoModifier);
        else if (word == QLatin1String("Cut"))
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_X, QChar(0x18), Qt::ControlModifier);
        else if (word == QLatin1String("Paste"))
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_V, QChar(0x16), Qt::ControlModifier);
        else if (word == QLatin1String("Return"))
            QTest::keyClick(box, Qt::Key_Return);
        else if (word == QLatin1String("Enter"))
            QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
        else if (word == QLatin1String("Escape"))
            QTest::keyClick(box, Qt::Key_Escape);
        else
            QTest::keyClicks(box, word);
    }
}

// Ends the program if a test hangs in a focus loop that never returns to the event loop.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              std::unique_lock lock(mutex_);
              if (!done_.wait_for(lock, limit, [this] { return finished_; }))
                  qFatal("the focus never settled");
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_one();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

// Sample images with one thing changed.
Image proteusXDirect(int byte16 = 0) {
    return with(sampleProteusX(), {{16, byte16}, {17, 0x00}});
}
Image proteusXBidirectional() {
    return with(sampleProteusX(), {{15, 0x71}, {16, 3}, {17, 0xFE}});
}

} // namespace

class TestEditorRules : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(kItalian); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // ---- protocol and path ----

    void sicepLocksThePathAndSendsStates() {
        EditorRig r;
        QVERIFY(r.show(sampleProteusX())); // repeater 7 with double hop, offsets 200 and 5
        EditorControls& c = r.c();
        QVERIFY(c.chkDoppioSalto->isChecked());
        QVERIFY(choose(c.cmbProtocollo, QStringLiteral("Sicep")));

        QCOMPARE(c.cmbViaTX->currentText(), QStringLiteral("Diretta"));
        QVERIFY(!c.cmbViaTX->isEnabled());
        QVERIFY(!choose(c.cmbViaTX, QStringLiteral("REP")));
        QVERIFY(c.txtCodiceRep->text().isEmpty());
        QVERIFY(c.txtCodiceRep->isHidden());
        QVERIFY(!c.txtCodiceRep->isEnabled());
        QVERIFY(c.lblCodRep->isHidden());
        QVERIFY(!c.chkDoppioSalto->isChecked());
        QVERIFY(!c.chkDoppioSalto->isEnabled());
        QVERIFY(c.chkDoppioSalto->isHidden());
        QCOMPARE(c.lblToni->text(), QStringLiteral("Alti"));
        QVERIFY(c.optStati->isChecked());
        QVERIFY(!c.optAllarmi->isEnabled());
        QCOMPARE(enabledMembers(c.optNumIngressi), QStringLiteral("6"));
        QCOMPARE(selectedMember(c.optNumIngressi), 6);
        QVERIFY(c.chkRimappaturaIngressiSicep->isChecked());
        QVERIFY(c.chkRimappaturaIngressiSicep->isEnabled());
        QCOMPARE(c.txtOffsetSicep1->text(), QStringLiteral("200"));
        QCOMPARE(c.txtOffsetSicep2->text(), QStringLiteral("5"));
        QVERIFY(c.txtOffsetSicep1->isEnabled());
        QVERIFY(c.txtOffsetSicep2->isEnabled());
        QCOMPARE(c.txtOffsetSicepHex01->text(), QStringLiteral("C8"));
        QCOMPARE(c.txtOffsetSicepHex02->text(), QStringLiteral("05"));
        QVERIFY(!c.txtOffsetSicepHex01->isEnabled());
        QVERIFY(!c.txtOffsetSicepHex02->isEnabled());
        QVERIFY(c.cmbCodiceRete->currentIndex() == -1 && !c.cmbCodiceRete->isEnabled());
        QVERIFY(r.saveEnabled());

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
        QTest::newRow("Proteus") << "Proteus"
                                 << "1248"
                                 << "" << false;
        QTest::newRow("Proteus-X") << "Proteus-X"
                                   << "1248"
                                   << "" << true;
        QTest::newRow("UPR-52") << "UPR-52"
                                << "1248"
                                << "" << false;
        QTest::newRow("UPR") << "UPR"
                             << "4"
                             << "00" << false;
    }
    void leavingSicep() {
        QFETCH(QString, protocol);
        QFETCH(QString, hex);
        EditorRig r;
        QVERIFY(r.show(sampleSicep()));
        EditorControls& c = r.c();
        QVERIFY(choose(c.cmbProtocollo, protocol));

        QTEST(enabledMembers(c.optNumIngressi), "inputs");
        QCOMPARE(selectedMember(c.optNumIngressi), 4);
        QCOMPARE(r.state.record.NumIngressi, 4);
        QVERIFY(!c.chkRimappaturaIngressiSicep->isChecked());
        QVERIFY(!c.chkRimappaturaIngressiSicep->isEnabled());
        for (QLineEdit* box : {c.txtOffsetSicep1, c.txtOffsetSicep2}) {
            QVERIFY(box->text().isEmpty());
            QVERIFY(!box->isEnabled());
        }
        for (QLineEdit* box : {c.txtOffsetSicepHex01, c.txtOffsetSicepHex02}) {
            QCOMPARE(box->text(), hex);
            QVERIFY(!box->isEnabled());
        }
        QTEST(!c.chkDoppioSalto->isHidden(), "doubleHopShown");
        QVERIFY(!c.chkDoppioSalto->isChecked());
        QVERIFY(c.optAllarmi->isEnabled());
        QVERIFY(c.optStati->isChecked()); // untouched until the installer picks alarms
        QVERIFY(c.cmbViaTX->isEnabled());
        QCOMPARE(c.cmbViaTX->currentText(), QStringLiteral("Diretta"));

        const Image out = r.written();
        QCOMPARE(out[28], 4);
        QCOMPARE(out[5] & 0x40, 0);
        QCOMPARE(out[51], 0);
        QCOMPARE(out[52], 0);
        QCOMPARE(out[26] * 256 + out[27], 1234); // a plain number now

        // Free again: the path and alarms can be chosen.
        QVERIFY(choose(c.cmbViaTX, QStringLiteral("REP")));
        QTest::mouseClick(c.optAllarmi, Qt::LeftButton);
        QVERIFY(c.optAllarmi->isChecked());
        QCOMPARE(r.state.record.InviaStati, 0);
    }

    // Only Proteus-X offers a network; any other protocol leaves the list empty and writes 0.
    void networkFollowsProtocol_data() {
        QTest::addColumn<int>("network");
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("written");
        QTest::newRow("Proteus-X, network 0")
            << 0 << "Proteus-X" << 0 << "00000 Non assegnata" << 0;
        QTest::newRow("Proteus-X, network 12") << 12 << "Proteus-X" << 1 << "00012 Nord" << 12;
        QTest::newRow("Proteus-X, unlisted network")
            << 77 << "Proteus-X" << 2 << "00077 (non in elenco)" << 77;
        QTest::newRow("Proteus") << 12 << "Proteus" << -1 << "" << 0;
        QTest::newRow("UPR") << 12 << "UPR" << -1 << "" << 0;
        QTest::newRow("UPR-52") << 12 << "UPR-52" << -1 << "" << 0;
    }
    void networkFollowsProtocol() {
        QFETCH(int, network);
        QFETCH(QString, protocol);
        QFETCH(int, position);
        EditorRig r;
        r.state.networkList[0] = "00000Rete non assegnata";
        r.state.networkList[1] = "00012Nord";
        QVERIFY(r.show(with(sampleSicep(), {{24, network >> 8}, {25, network & 0xFF}})));
        QCOMPARE(r.c().cmbCodiceRete->currentIndex(), -1);
        QVERIFY(choose(r.c().cmbProtocollo, protocol));
        QCOMPARE(r.c().cmbCodiceRete->currentIndex(), position);
        QTEST(r.c().cmbCodiceRete->currentText(), "text");
        QCOMPARE(r.c().cmbCodiceRete->isEnabled(), position >= 0);
        const Image out = r.written();
        QTEST(out[24] * 256 + out[25], "written");
    }

    // A read peripheral of any protocol but Proteus-X has the network list disabled. As on the
    // first read after start, whose start-up record already shows "Proteus", a Proteus
    // peripheral keeps the network it holds (shown, and written back unchanged); the others go
    // through the protocol rule, which empties the list, so they write none.
    void readWithoutNetwork_data() {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("position");
        QTest::newRow("Proteus") << 0 << 1;
        QTest::newRow("Sicep") << 2 << -1;
        QTest::newRow("UPR") << 3 << -1;
        QTest::newRow("UPR-52") << 5 << -1;
    }
    void readWithoutNetwork() {
        QFETCH(int, protocol);
        QFETCH(int, position);
        EditorRig r;
        r.state.networkList[1] = "00012Nord";
        QVERIFY(r.show(
            with(sampleProteusX(), {{15, 0x60 | protocol}, {24, 0}, {25, 12}, {26, 3}, {27, 0}})));
        QVERIFY(!r.c().cmbCodiceRete->isEnabled());
        QCOMPARE(r.c().cmbCodiceRete->currentIndex(), position);
        QCOMPARE(int(r.written()[25]), position < 0 ? 0 : 12);
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
        EditorRig r;
        QVERIFY(r.show(image));
        EditorControls& c = r.c();
        QCOMPARE(c.cmbViaTX->currentText(), QStringLiteral("Diretta"));
        QVERIFY(c.txtCodiceRep->isHidden());
        QVERIFY(choose(c.cmbViaTX, path));

        QCOMPARE(c.txtCodiceRep->text(), QStringLiteral("1"));
        QVERIFY(c.txtCodiceRep->isEnabled());
        QVERIFY(!c.txtCodiceRep->isHidden());
        QVERIFY(!c.lblCodRep->isHidden());
        QTEST(c.lblCodRep->text(), "caption");
        QVERIFY(c.chkDoppioSalto->isEnabled());
        QCOMPARE(c.chkDoppioSalto->isChecked(), doubleHop);
        QCOMPARE(c.lblToni->text(), doubleHop ? QStringLiteral("Alti") : QStringLiteral("Bassi"));
        QCOMPARE(marker == 0xFF ? r.state.record.CodiceRep : r.state.record.IngressoBidi, 1);
        Image out = r.written();
        QCOMPARE(out[16], 1);
        QCOMPARE(int(out[17]), marker);
        QCOMPARE(out[15] & 0x10, marker == 0xFE ? 0x10 : 0);
        QCOMPARE(out[15] & 0x40, doubleHop ? 0x40 : 0);

        // Back to direct: high tones whatever double hop said, nothing asked.
        QVERIFY(choose(c.cmbViaTX, QStringLiteral("Diretta")));
        QCOMPARE(c.lblToni->text(), QStringLiteral("Alti"));
        QVERIFY(!c.chkDoppioSalto->isChecked());
        QVERIFY(!c.chkDoppioSalto->isEnabled());
        QVERIFY(c.txtCodiceRep->text().isEmpty());
        QVERIFY(c.txtCodiceRep->isHidden());
        QVERIFY(c.lblCodRep->isHidden());
        out = r.written();
        QCOMPARE(out[16], 0);
        QCOMPARE(out[17], 0);
        QCOMPARE(out[15] & 0x50, 0x40);
    }

    // ---- numeric entry ----

    void refusedKeysAreRemoved_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        for (const auto& [name, loc] : {std::pair{"it", kItalian}, std::pair{"en", kEnglish}}) {
            const auto row = [&](const char* what) -> QTestData& {
                return QTest::newRow(qPrintable(
                    QStringLiteral("%1 %2").arg(QLatin1String(name), QLatin1String(what))));
            };
            row("siren 1x2") << loc << sampleProteusX() << "txtTempoSirena"
                             << "1x2"
                             << "12";
            row("code 1x2") << loc << sampleProteusX() << "txtCodicePeriferica"
                            << "1x2"
                            << "12";
            row("offset 1x2") << loc << sampleSicep() << "txtOffsetSicep1"
                              << "1x2"
                              << "12";
            row("repeater -6.4") << loc << sampleProteusX() << "txtCodiceRep"
                                 << "-6.4"
                                 << "64";
            row("cadence 1,2") << loc << sampleProteusX() << "txtCadenzaSopravvivenza"
                               << "1,2"
                               << "12";
            row("lock time letters") << loc << sampleProteusX() << "txtTempoAggancio"
                                     << "2e-5"
                                     << "25";
        }
        QTest::newRow("it lock time: one comma, no point")
            << kItalian << sampleProteusX() << "txtTempoAggancio"
            << "2.,5,1"
            << "2,51";
        QTest::newRow("en lock time: one point, no comma")
            << kEnglish << sampleProteusX() << "txtTempoAggancio"
            << "2,.5.1"
            << "2.51";
        QTest::newRow("it frequency") << kItalian << sampleSicep() << "txtFrequenzaTX"
                                      << "433.,92,"
                                      << "433,92";
        QTest::newRow("en frequency") << kEnglish << sampleSicep() << "txtFrequenzaTX"
                                      << "433,.92."
                                      << "433.92";
    }
    void refusedKeysAreRemoved() {
        QFETCH(QLocale, locale);
        QFETCH(Image, image);
        QFETCH(QString, box);
        QLocale::setDefault(locale);
        EditorRig r;
        r.show(image);
        auto* edit = r.window->findChild<QLineEdit*>(box);
        QVERIFY(edit && edit->isEnabled() && !edit->isHidden());
        QFETCH(QString, keys);
        r.type(edit, keys, false);
        QTEST(edit->text(), "expected");
        QCOMPARE(edit->cursorPosition(), edit->text().size());
        QVERIFY(r.state.KeyAccepted);
    }

    void leavingChecksTheRange_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed"); // decimals with a comma
        QTest::addColumn<bool>("valid");
        struct Row {
            const char* name;
            Image image;
            const char* box;
            const char* typed;
            bool valid;
        };
        const Image vhf = sampleProteusX();
        const Image uhf = sampleSicep();
        const Row whole[] = {
            {"siren 0", vhf, "txtTempoSirena", "0", false},
            {"siren 256", vhf, "txtTempoSirena", "256", false},
            {"siren 1", vhf, "txtTempoSirena", "1", true},
            {"siren 255", vhf, "txtTempoSirena", "255", true},
            {"entry 0", vhf, "txtTempoIngresso", "0", false},
            {"exit 256", vhf, "txtTempoUscita", "256", false},
            {"cadence 99", vhf, "txtCadenzaSopravvivenza", "99", true},
            {"cadence 0", vhf, "txtCadenzaSopravvivenza", "0", false},
            {"sampling 240", vhf, "txtTempoCampionamentoMancanzaAC", "240", true},
            {"sampling 241", vhf, "txtTempoCampionamentoMancanzaAC", "241", false},
            {"REP 64", vhf, "txtCodiceRep", "64", true},
            {"REP 65", vhf, "txtCodiceRep", "65", false},
            {"REP 0", vhf, "txtCodiceRep", "0", false},
            {"BIDI 8", proteusXBidirectional(), "txtCodiceRep", "8", true},
            {"BIDI 9", proteusXBidirectional(), "txtCodiceRep", "9", false},
            {"offset 0", uhf, "txtOffsetSicep1", "0", true},
            {"offset 255", uhf, "txtOffsetSicep2", "255", true},
            {"offset 256", uhf, "txtOffsetSicep1", "256", false},
            {"VHF 160", vhf, "txtFrequenzaTX", "160", true},
            {"UHF 160", uhf, "txtFrequenzaTX", "160", false},
        };
        const Row decimal[] = {
            {"lock 0,05", vhf, "txtTempoAggancio", "0,05", false},
            {"lock 0,1", vhf, "txtTempoAggancio", "0,1", true},
            {"lock 25,5", vhf, "txtTempoAggancio", "25,5", true},
            {"lock 25,6", vhf, "txtTempoAggancio", "25,6", false},
            {"VHF 175,4", vhf, "txtFrequenzaTX", "175,4", true},
            {"VHF 175,5", vhf, "txtFrequenzaTX", "175,5", false},
            {"VHF 139,5", vhf, "txtFrequenzaTX", "139,5", true},
            {"VHF 139,4", vhf, "txtFrequenzaTX", "139,4", false},
            {"UHF 400,5", uhf, "txtFrequenzaTX", "400,5", true},
            {"UHF 399,5", uhf, "txtFrequenzaTX", "399,5", true},
            {"UHF 470,5", uhf, "txtFrequenzaTX", "470,5", true},
            {"UHF 470,6", uhf, "txtFrequenzaTX", "470,6", false},
        };
        for (const Row& row : whole)
            QTest::newRow(row.name) << kItalian << row.image << row.box << row.typed << row.valid;
        for (const auto& [name, loc] : {std::pair{"it", kItalian}, std::pair{"en", kEnglish}})
            for (const Row& row : decimal)
                QTest::newRow(qPrintable(
                    QStringLiteral("%1 %2").arg(QLatin1String(name), QLatin1String(row.name))))
                    << loc << row.image << row.box << row.typed << row.valid;
    }
    void leavingChecksTheRange() {
        QFETCH(QLocale, locale);
        QFETCH(Image, image);
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        QLocale::setDefault(locale);
        EditorRig r;
        r.show(image);
        auto* edit = r.window->findChild<QLineEdit*>(box);
        QVERIFY(edit && edit->isEnabled() && !edit->isHidden());
        r.type(edit, local(typed));
        QCOMPARE(edit->text(), local(typed));
        QCOMPARE(EditorRig::colourOf(edit), valid ? kBlack : kRed);
        QCOMPARE(focused() == edit, !valid);
        if (!valid) { // a second attempt to leave changes nothing
            QTest::keyClick(edit, Qt::Key_Tab);
            QCOMPARE(focused(), edit);
            QCOMPARE(EditorRig::colourOf(edit), kRed);
        }
    }

    void offsetShowsHex_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("hex");
        QTest::addColumn<bool>("valid");
        QTest::newRow("0") << "0"
                           << "00" << true;
        QTest::newRow("10") << "10"
                            << "0A" << true;
        QTest::newRow("255") << "255"
                             << "FF" << true;
        QTest::newRow("999") << "999"
                             << "E7" << false;
    }
    void offsetShowsHex() {
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        EditorRig r;
        r.show(sampleSicep());
        QLineEdit* offset = r.c().txtOffsetSicep2;
        r.type(offset, typed);
        QTEST(r.c().txtOffsetSicepHex02->text(), "hex");
        QCOMPARE(r.c().txtOffsetSicepHex01->text(), QStringLiteral("0A")); // the other one stays
        QCOMPARE(EditorRig::colourOf(offset), valid ? kBlack : kRed);
        if (valid)
            QCOMPARE(r.written()[52], typed.toInt());
    }

    // An emptied offset shows 00 and cannot be left; its colour stays what it was.
    void emptiedOffsetKeepsTheFocus() {
        EditorRig r;
        r.show(sampleSicep());
        QLineEdit* offset = r.c().txtOffsetSicep1;
        for (const std::uint32_t colour : {kBlack, kRed}) {
            r.type(offset, colour == kRed ? QStringLiteral("300") : QStringLiteral("30"));
            QCOMPARE(EditorRig::colourOf(offset), colour);
            r.type(offset, QString());
            QCOMPARE(r.c().txtOffsetSicepHex01->text(), QStringLiteral("00"));
            QCOMPARE(focused(), offset);
            QCOMPARE(EditorRig::colourOf(offset), colour);
        }
    }

    // ---- peripheral code and serial number ----

    void peripheralCodeRange_data() {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("valid");
        QTest::newRow("Proteus 1023") << "Proteus"
                                      << "1023" << true;
        QTest::newRow("Proteus 1024") << "Proteus"
                                      << "1024" << false;
        QTest::newRow("Proteus 1") << "Proteus"
                                   << "1" << true;
        for (const char* p : {"Proteus", "Proteus-X", "Sicep", "UPR", "UPR-52"}) {
            const QString protocol = QLatin1String(p);
            if (protocol != QLatin1String("Proteus")) {
                QTest::newRow(qPrintable(protocol + QStringLiteral(" 9999")))
                    << protocol << "9999" << true;
                QTest::newRow(qPrintable(protocol + QStringLiteral(" 10000")))
                    << protocol << "10000" << false;
            }
            QTest::newRow(qPrintable(protocol + QStringLiteral(" 0"))) << protocol << "0" << false;
        }
    }
    void peripheralCodeRange() {
        QFETCH(QString, protocol);
        QFETCH(QString, code);
        QFETCH(bool, valid);
        EditorRig r;
        QVERIFY(r.show(sampleProteusX()));
        QVERIFY(choose(r.c().cmbProtocollo, protocol));
        QVERIFY(r.saveEnabled());
        QLineEdit* box = r.c().txtCodicePeriferica;
        r.type(box, code);
        QCOMPARE(box->text(), code);
        QCOMPARE(EditorRig::colourOf(box), valid ? kBlack : kRed);
        QCOMPARE(r.saveEnabled(), valid);
        QCOMPARE(focused() == box, !valid);
        if (valid) {
            const Image out = r.written();
            QCOMPARE(QString::number(decodePeripheralCode(out[26], out[27], out[15] & 7)), code);
        }
    }

    // The code is checked again the moment the protocol changes, wherever the focus is.
    void protocolChangeRechecksTheCode() {
        EditorRig r;
        QVERIFY(r.show(with(sampleProteusX(), {{26, 0x13}, {27, 0x88}}))); // 5000
        EditorControls& c = r.c();
        QCOMPARE(c.txtCodicePeriferica->text(), QStringLiteral("5000"));
        QVERIFY(choose(c.cmbProtocollo, QStringLiteral("Proteus")));
        QCOMPARE(EditorRig::colourOf(c.txtCodicePeriferica), kRed);
        QVERIFY(!r.saveEnabled());
        QCOMPARE(focused(), c.txtCodicePeriferica);
        QVERIFY(choose(c.cmbProtocollo, QStringLiteral("Proteus-X")));
        QCOMPARE(EditorRig::colourOf(c.txtCodicePeriferica), kBlack);
        QVERIFY(r.saveEnabled());
    }

    // A letter never reaches the check: "SAVE" never goes off while typing a valid code.
    void letterInTheCode_data() {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("valid");
        QTest::newRow("5a") << "Proteus-X"
                            << "5a"
                            << "5" << true;
        QTest::newRow("10a2b3") << "Proteus"
                                << "10a2b3"
                                << "1023" << true;
        QTest::newRow("10a2b4") << "Proteus"
                                << "10a2b4"
                                << "1024" << false;
    }
    void letterInTheCode() {
        QFETCH(QString, protocol);
        QFETCH(QString, keys);
        QFETCH(bool, valid);
        EditorRig r;
        QVERIFY(r.show(sampleProteusX()));
        QVERIFY(choose(r.c().cmbProtocollo, protocol));
        QLineEdit* box = r.c().txtCodicePeriferica;
        r.type(box, QStringLiteral("1"), false);
        QList<bool> save;
        QAction* action = r.window->command(QStringLiteral("SAVE"));
        QObject watching;
        connect(action, &QAction::changed, &watching, [&] { save << action->isEnabled(); });
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, keys);
        QTEST(box->text(), "expected");
        QCOMPARE(EditorRig::colourOf(box), valid ? kBlack : kRed);
        QCOMPARE(r.saveEnabled(), valid);
        if (valid)
            QVERIFY2(!save.contains(false), "a letter was checked as part of the code");
        else
            QCOMPARE(save, QList<bool>{false});
    }

    // The serial number box exists only before the first presentation. The window keeps "SAVE"
    // off until a configuration has been read, so what the rule asks for is watched as well.
    void serialNumber() {
        EditorRig r;
        QList<bool> asked;
        const auto window = r.ctx().setSaveEnabled;
        r.ctx().setSaveEnabled = [&](bool on) {
            asked << on;
            window(on);
        };
        QLineEdit* box = r.c().txtSerialNumber;
        QVERIFY(!box->isHidden());
        QCOMPARE(box->text(), QStringLiteral("Text1"));
        r.type(box, QString(), false);
        for (const QChar ch : QStringLiteral("12AB5-7")) {
            asked.clear();
            QTest::keyClick(box, ch.toLatin1());
            QCOMPARE(asked, QList<bool>{false});
        }
        QCOMPARE(box->text(), QStringLiteral("12AB5-7"));
        QVERIFY(r.dialogs.messages.isEmpty());
        asked.clear();
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(
            r.dialogs.messages,
            QStringList{QStringLiteral("ATTENZIONE: il numero di serie deve essere di 8 cifre!")});
        QCOMPARE(focused(), box);
        QCOMPARE(asked.last(), false);
        QVERIFY(!r.saveEnabled());

        asked.clear();
        QTest::keyClick(box, 'x'); // any character counts
        QCOMPARE(asked, QList<bool>{true});
        QTest::keyClick(box, '9'); // no ninth one
        QCOMPARE(box->text(), QStringLiteral("12AB5-7x"));
        asked.clear();
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(r.dialogs.messages.size(), 1);
        QVERIFY(focused() != box);
        QVERIFY(!asked.isEmpty() && !asked.contains(false));
        QVERIFY(!r.saveEnabled()); // nothing read yet

        r.show(sampleProteusX()); // presenting hides it
        QVERIFY(box->isHidden());
        QCOMPARE(r.c().lblSerialNumber->text(), QStringLiteral("1234ABCD"));
        QVERIFY(r.saveEnabled());
    }

    // ---- a read that cannot be written as it is ----

    void unwritableCodeAfterRead_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("code");
        QTest::newRow("Proteus 2000")
            << with(sampleProteusX(), {{15, 0x60}, {26, 0x07}, {27, 0xD0}}) << "2000";
        QTest::newRow("UPR 10000")
            << with(sampleProteusX(), {{15, 0x63}, {26, 0x27}, {27, 0x10}}) << "10000";
        QTest::newRow("Proteus-X 0") << with(sampleProteusX(), {{26, 0}, {27, 0}}) << "0";
        QTest::newRow("Sicep nibble above 9") << with(sampleSicep(), {{26, 0x1A}}) << "0";
        QTest::newRow("Sicep low nibble above 9") << with(sampleSicep(), {{27, 0x3F}}) << "0";
        QTest::newRow("plain code from 0x8000")
            << with(sampleProteusX(), {{26, 0x80}, {27, 0x01}}) << "0";
    }
    void unwritableCodeAfterRead() {
        QFETCH(Image, image);
        EditorRig r;
        QVERIFY(r.show(sampleProteusX()));
        QVERIFY(!r.show(image)); // through the programming run
        QTEST(r.c().txtCodicePeriferica->text(), "code");
        QCOMPARE(EditorRig::colourOf(r.c().txtCodicePeriferica), kRed);
        QVERIFY(!r.saveEnabled());
        QCOMPARE(focused(), r.c().txtCodicePeriferica);

        // Correcting it is enough.
        r.type(r.c().txtCodicePeriferica, QStringLiteral("321"));
        QCOMPARE(EditorRig::colourOf(r.c().txtCodicePeriferica), kBlack);
        QVERIFY(r.saveEnabled());
    }

    // ---- refused keys away from the end, editing keys ----

    void keysInsideTheText_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("caret");
        const Image vhf = sampleProteusX();
        QTest::newRow("letter in the middle") << kItalian << vhf << "txtTempoSirena"
                                              << "12"
                                              << "Home Right x"
                                              << "12" << 1;
        QTest::newRow("letter, then a digit where the caret stayed")
            << kItalian << vhf << "txtCodicePeriferica"
            << "300"
            << "Home x 1"
            << "1300" << 1;
        QTest::newRow("letter over everything") << kItalian << vhf << "txtTempoSirena"
                                                << "123"
                                                << "SelectAll x"
                                                << "123" << 3;
        QTest::newRow("letter over the last digit") << kItalian << vhf << "txtTempoSirena"
                                                    << "123"
                                                    << "ShiftLeft x"
                                                    << "123" << 2;
        QTest::newRow("letter over the first digits") << kItalian << vhf << "txtCodicePeriferica"
                                                      << "4567"
                                                      << "Home Right Right Left ShiftLeft x"
                                                      << "4567" << 0;
        QTest::newRow("full box") << kItalian << vhf << "txtTempoSirena"
                                  << "255"
                                  << "Home x 1"
                                  << "255" << 0;
        QTest::newRow("it second comma in front") << kItalian << vhf << "txtTempoAggancio"
                                                  << "2,5"
                                                  << "Home ,"
                                                  << "2,5" << 0;
        QTest::newRow("it point in the middle") << kItalian << vhf << "txtTempoAggancio"
                                                << "25"
                                                << "Left ."
                                                << "25" << 1;
        QTest::newRow("en second point in front") << kEnglish << vhf << "txtTempoAggancio"
                                                  << "2.5"
                                                  << "Home ."
                                                  << "2.5" << 0;
        QTest::newRow("en comma in the middle") << kEnglish << vhf << "txtTempoAggancio"
                                                << "25"
                                                << "Left ,"
                                                << "25" << 1;
        QTest::newRow("it separator over the selection") << kItalian << vhf << "txtFrequenzaTX"
                                                         << "1,5"
                                                         << "ShiftLeft ,"
                                                         << "1,5" << 2;
        QTest::newRow("Backspace in the middle") << kItalian << vhf << "txtTempoSirena"
                                                 << "123"
                                                 << "Left Backspace"
                                                 << "13" << 1;
        QTest::newRow("Delete") << kItalian << vhf << "txtTempoSirena"
                                << "123"
                                << "Home Delete"
                                << "23" << 0;
        QTest::newRow("Delete, then a letter") << kItalian << vhf << "txtCodicePeriferica"
                                               << "123"
                                               << "Left Delete x"
                                               << "12" << 2;
        QTest::newRow("Cut") << kItalian << vhf << "txtTempoSirena"
                             << "123"
                             << "ShiftLeft Cut"
                             << "12" << 2;
    }
    void keysInsideTheText() {
        QFETCH(QLocale, locale);
        QFETCH(Image, image);
        QFETCH(QString, box);
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QLocale::setDefault(locale);
        EditorRig r;
        r.show(image);
        auto* edit = r.window->findChild<QLineEdit*>(box);
        r.type(edit, start, false);
        QCOMPARE(edit->text(), start);
        press(edit, keys);
        QTEST(edit->text(), "expected");
        QTEST(edit->cursorPosition(), "caret");
        QVERIFY(r.state.KeyAccepted);
    }

    // Pasted text is not typing: it stays, and leaving the box judges all of it.
    void pastedText_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<bool>("valid");
        QTest::newRow("digits") << "txtTempoSirena"
                                << "42" << true;
        QTest::newRow("letters") << "txtTempoSirena"
                                 << "4a" << false;
        QTest::newRow("code digits") << "txtCodicePeriferica"
                                     << "777" << true;
        QTest::newRow("code letters") << "txtCodicePeriferica"
                                      << "7x7" << false;
        QTest::newRow("lock time with the other separator") << "txtTempoAggancio"
                                                            << "2.5" << false;
    }
    void pastedText() {
        QFETCH(QString, box);
        QFETCH(QString, clipboard);
        QFETCH(bool, valid);
        EditorRig r;
        r.show(sampleProteusX());
        QApplication::clipboard()->setText(clipboard);
        if (QApplication::clipboard()->text() != clipboard)
            QSKIP("no clipboard on this platform");
        auto* edit = r.window->findChild<QLineEdit*>(box);
        r.type(edit, QString(), false);
        press(edit, QStringLiteral("Paste"));
        QCOMPARE(edit->text(), clipboard);
        QTest::keyClick(edit, Qt::Key_Tab);
        QCOMPARE(EditorRig::colourOf(edit), valid ? kBlack : kRed);
        QCOMPARE(focused() == edit, !valid);
        if (edit == r.c().txtCodicePeriferica)
            QCOMPARE(r.saveEnabled(), valid);
        QCOMPARE(r.window->editor().collect().has_value(), !valid);
    }

    // A refused key that changes nothing leaves no verdict behind for the program's next text.
    void refusedKeyWithoutChange_data() {
        QTest::addColumn<QString>("keys");
        QTest::newRow("Return") << "Return";
        QTest::newRow("Enter") << "Enter";
        QTest::newRow("Escape") << "Escape";
        QTest::newRow("letter into a full box") << "5 x";
    }
    void refusedKeyWithoutChange() {
        EditorRig r;
        QVERIFY(r.show(sampleProteusX()));
        EditorControls& c = r.c();
        r.type(c.txtTempoSirena, QStringLiteral("12"), false);
        QFETCH(QString, keys);
        press(c.txtTempoSirena, keys);
        QVERIFY(c.txtTempoSirena->text().startsWith(QStringLiteral("12")));
        // Texts the rules put into boxes, in and out of the box that saw the key.
        c.chkCentralinaIntegrata->click();
        c.chkCentralinaIntegrata->click();
        QCOMPARE(c.txtTempoSirena->text(), QStringLiteral("30"));
        QCOMPARE(c.txtTempoIngresso->text(), QStringLiteral("10"));
        QVERIFY(choose(c.cmbViaTX, QStringLiteral("Bidirezionale")));
        QCOMPARE(c.txtCodiceRep->text(), QStringLiteral("1"));
        QVERIFY(choose(c.cmbProtocollo, QStringLiteral("Sicep")));
        QCOMPARE(c.txtOffsetSicep1->text(), QStringLiteral("200"));
    }

    // Same with a decimal box that is full: neither key nor separator changes the text.
    void refusedKeyInFullDecimalBox() {
        EditorRig r;
        QVERIFY(r.show(sampleProteusX()));
        QLineEdit* frequency = r.c().txtFrequenzaTX;
        QCOMPARE(frequency->text(), QStringLiteral("156,0000")); // 8 characters, the most
        r.type(frequency, QStringLiteral("156,0000"), false);
        press(frequency, QStringLiteral("1 ,"));
        QCOMPARE(frequency->text(), QStringLiteral("156,0000"));
        r.c().chkInvioSopravvivenza->click();
        QCOMPARE(r.c().txtCadenzaSopravvivenza->text(), QStringLiteral("0"));
        r.c().chkInvioSopravvivenza->click();
        QCOMPARE(r.c().txtCadenzaSopravvivenza->text(), QStringLiteral("24"));
    }

    // ---- typing limits ----

    // Each box keeps the most characters an installer may type; none cuts what the program sets.
    void typingLimits_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("limit");
        const std::pair<const char*, int> limits[] = {
            {"txtCodiceRep", 2},
            {"txtTempoAggancio", 0},
            {"txtTempoSirena", 3},
            {"txtTempoIngresso", 3},
            {"txtTempoUscita", 3},
            {"txtFrequenzaTX", 8},
            {"txtTempoCampionamentoMancanzaAC", 3},
            {"txtCadenzaSopravvivenza", 2},
            {"txtCodicePeriferica", 5},
            {"txtOffsetSicep1", 3},
            {"txtOffsetSicep2", 3},
            {"txtOffsetSicepHex01", 3},
            {"txtOffsetSicepHex02", 3},
            {"txtSerialNumber", 8},
        };
        for (const auto& [name, limit] : limits)
            QTest::newRow(name) << name << limit;
    }
    void typingLimits() {
        QFETCH(QString, box);
        EditorRig r;
        auto* edit = r.window->findChild<TaggedLineEdit*>(box);
        QVERIFY(edit);
        QTEST(edit->typingLimit(), "limit");
        const QString long40(40, QLatin1Char('1'));
        edit->setText(long40);
        QCOMPARE(edit->text(), long40);
    }

    // Typing stops at the limit: a character that would make the text longer is taken out again
    // like a refused one, also after a value longer than the limit was read; editing keys work.
    void typingStopsAtTheLimit_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("start"); // typed first; empty: as shown
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        const Image p = sampleProteusX();
        QTest::newRow("cadence, a third digit") << p << "txtCadenzaSopravvivenza"
                                                << "12"
                                                << "3"
                                                << "12";
        QTest::newRow("cadence, a digit over the selection") << p << "txtCadenzaSopravvivenza"
                                                             << "12"
                                                             << "ShiftLeft 5"
                                                             << "15";
        QTest::newRow("cadence of 120 h read, a digit more")
            << with(p, {{35, 0x1C}, {36, 0x20}}) << "txtCadenzaSopravvivenza"
            << ""
            << "End 5 Left 6"
            << "120";
        QTest::newRow("cadence of 120 h read, shortened")
            << with(p, {{35, 0x1C}, {36, 0x20}}) << "txtCadenzaSopravvivenza"
            << ""
            << "End Backspace 4 Backspace 9"
            << "19";
        QTest::newRow("sampling, a fourth digit") << p << "txtTempoCampionamentoMancanzaAC"
                                                  << "123"
                                                  << "4"
                                                  << "123";
        QTest::newRow("repeater, a third digit") << p << "txtCodiceRep"
                                                 << "64"
                                                 << "1"
                                                 << "64";
        QTest::newRow("code, a sixth digit") << p << "txtCodicePeriferica"
                                             << "1234"
                                             << "5 6"
                                             << "12345";
        QTest::newRow("siren, Delete makes room") << p << "txtTempoSirena"
                                                  << "255"
                                                  << "1 Home Delete 9"
                                                  << "955";
        QTest::newRow("offset, a fourth digit") << sampleSicep() << "txtOffsetSicep1"
                                                << "200"
                                                << "7"
                                                << "200";
        QTest::newRow("lock time, no limit") << p << "txtTempoAggancio"
                                             << "1,2345"
                                             << "6789"
                                             << "1,23456789";
    }
    void typingStopsAtTheLimit() {
        QFETCH(Image, image);
        QFETCH(QString, box);
        QFETCH(QString, start);
        QFETCH(QString, keys);
        EditorRig r;
        r.show(image);
        auto* edit = r.window->findChild<QLineEdit*>(box);
        if (start.isEmpty())
            edit->setFocus(Qt::MouseFocusReason);
        else
            r.type(edit, start, false);
        press(edit, keys);
        QTEST(edit->text(), "expected");
        QVERIFY(r.state.KeyAccepted);
    }

    // ---- focus ----

    // Two boxes out of range after a read: moving between them settles at once, and each box
    // shows its colour when it is left.
    void invalidBoxesDoNotFight_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("fix");
        QTest::newRow("siren 0, cadence 0")
            << with(sampleProteusX(), {{45, 0}, {35, 0}, {36, 0}}) << "txtTempoSirena"
            << "txtCadenzaSopravvivenza"
            << "5";
        QTest::newRow("lock time 0, sampling 0")
            << with(sampleProteusX(), {{11, 0}, {39, 0}, {40, 0}}) << "txtTempoAggancio"
            << "txtTempoCampionamentoMancanzaAC"
            << "1";
        QTest::newRow("code 0, siren 0")
            << with(sampleProteusX(), {{26, 0}, {27, 0}, {45, 0}}) << "txtCodicePeriferica"
            << "txtTempoSirena"
            << "9";
        // Survival off shows a cadence of 0; the panel shows the entry time 0.
        QTest::newRow("Sicep: entry 0, cadence 0")
            << with(sampleSicep(), {{37, 1}, {45, 5}, {46, 5}}) << "txtTempoIngresso"
            << "txtCadenzaSopravvivenza"
            << "7";
    }
    void invalidBoxesDoNotFight() {
        QFETCH(Image, image);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, fix);
        EditorRig r;
        r.show(image);
        auto* a = r.window->findChild<QLineEdit*>(first);
        auto* b = r.window->findChild<QLineEdit*>(second);
        int changes = 0;
        QObject counting;
        connect(qApp, &QApplication::focusChanged, &counting, [&] { ++changes; });
        {
            Watchdog watchdog(std::chrono::seconds(20));
            QTest::mouseClick(a, Qt::LeftButton);
            for (int round = 0; round < 3; ++round) {
                QTest::mouseClick(b, Qt::LeftButton);
                QTest::keyClick(focused(), Qt::Key_Tab);
                QTest::mouseClick(a, Qt::LeftButton);
            }
            QTest::qWait(50);
        }
        QVERIFY2(changes < 40, qPrintable(QString::number(changes)));
        QCOMPARE(focused(), a);
        QCOMPARE(EditorRig::colourOf(a), kRed);

        // Corrected, the first lets the focus go; the second is judged when it is left.
        r.type(a, fix, false);
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(focused(), b);
        QCOMPARE(EditorRig::colourOf(a), kBlack);
        QTest::mouseClick(a, Qt::LeftButton);
        QCOMPARE(focused(), b);
        QCOMPARE(EditorRig::colourOf(b), kRed);
        QCOMPARE(EditorRig::colourOf(a), kBlack);
        r.type(b, QStringLiteral("2"));
        QCOMPARE(EditorRig::colourOf(b), kBlack);
        QVERIFY(focused() != b);
    }

    // While a panel covers the editor, keys reach none of its boxes and no check runs.
    void coveredEditorTakesNoKeys_data() {
        QTest::addColumn<bool>("read");
        QTest::newRow("start-up cover panel") << false;
        QTest::newRow("link panel after a read") << true;
    }
    void coveredEditorTakesNoKeys() {
        QFETCH(bool, read);
        EditorRig r;
        if (read) {
            QVERIFY(r.show(sampleProteusX()));
            r.window->showPreparePanel();
        } else {
            r.window->showPresentationPanel();
        }
        const QString serial = r.c().txtSerialNumber->text();
        const QString code = r.c().txtCodicePeriferica->text();
        QWidget* target = focused() ? focused() : r.window.get();
        QTest::keyClicks(target, QStringLiteral("12"));
        QTest::keyClick(target, Qt::Key_Tab);
        const bool untouched =
            r.c().txtSerialNumber->text() == serial && r.c().txtCodicePeriferica->text() == code;
        QVERIFY(untouched);
        QVERIFY(r.dialogs.messages.isEmpty());
    }

    // A box that is hidden or disabled while it holds a wrong value cannot be corrected there:
    // the focus is not pulled back into it.
    void focusNotReturnedToABoxOutOfReach_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("control"); // clicked to take the box away
        QTest::newRow("siren hidden with the panel") << "txtTempoSirena"
                                                     << "0"
                                                     << "chkCentralinaIntegrata";
        QTest::newRow("sampling time disabled") << "txtTempoCampionamentoMancanzaAC"
                                                << "0"
                                                << "chkSpontaneaACOff";
    }
    void focusNotReturnedToABoxOutOfReach() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, control);
        EditorRig r;
        r.show(sampleProteusX());
        auto* edit = r.window->findChild<QLineEdit*>(box);
        auto* check = r.window->findChild<QCheckBox*>(control);
        r.type(edit, typed);
        QCOMPARE(focused(), edit);
        QTest::mouseClick(check, Qt::LeftButton);
        QVERIFY(edit->isHidden() || !edit->isEnabled());
        QVERIFY(focused() != edit);
        // The rest of the editor works normally.
        r.type(r.c().txtTempoAggancio, QStringLiteral("3"));
        QCOMPARE(EditorRig::colourOf(r.c().txtTempoAggancio), kBlack);
        QVERIFY(focused() != r.c().txtTempoAggancio);
        QVERIFY(focused() != edit);
    }
};

SELVANA_TEST_MAIN(TestEditorRules)
#include "tst_editor_rules.moc"
