#include "common/test_main.h"
#include "common/window_rig.h"
#include "core/fields/write_verification.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>

using namespace selvana;
using namespace selvana::testing;
using sim::SimulatorOptions;

namespace {
SimulatorOptions announcing(char letter, char frame = 'X') {
    SimulatorOptions o;
    o.announce = letter;
    o.frameType = frame;
    return o;
}
} // namespace

class TestProgrammingE2E : public QObject {
    Q_OBJECT
private slots:
    void readAndWrite() {
        WindowRig r(announcing('K'));
        QCOMPARE(r.commands(), QStringLiteral("10111"));
        r.click("LOAD");
        QCOMPARE(r.commands(), QStringLiteral("00010"));
        QVERIFY(r.panelVisible("frmPrepare"));
        QCOMPARE(r.prompt(), ProgrammingRun::promptLoad());
        QVERIFY(r.window->run().tmrClock().isActive());

        r.peripheral->pressReset();
        QTRY_COMPARE(r.state.record.SerialNumber, r.peripheral->serialNumber());
        QCOMPARE(r.received, QByteArray("\nA\r\nX\r")); // exactly the two replies
        QCOMPARE(r.state.FirmwareM6, 1);
        QVERIFY(r.state.ConfigImage == r.peripheral->image());
        QTRY_VERIFY(!r.panelVisible("frmPrepare"));
        QCOMPARE(r.commands(), QStringLiteral("01010"));

        r.received.clear();
        QVERIFY(r.write());
        QCOMPARE(r.received, buildWriteFrame(r.state.SaveImage));
        QCOMPARE(r.received.size(), 71);
        QCOMPARE(r.prompt(), ProgrammingRun::promptWritten());
        QVERIFY(r.peripheral->image() == r.state.SaveImage);
        QVERIFY(!r.link.isOpen());
        QVERIFY(!r.window->run().tmrClock().isActive());
        QCOMPARE(r.commands(), QStringLiteral("10110"));
        QVERIFY(r.panelVisible("frmPrepare"));
    }

    // With "Verifica dopo la scrittura", the unit that took a write is read back when its RESET
    // is pressed again within the answer wait, compared with what was sent, and the outcome
    // shown and kept with the write's record. Nothing read back is never "verified".
    void readBackAfterWrite_data() {
        QTest::addColumn<bool>("imperfect"); // the unit stores the siren time one more
        QTest::addColumn<bool>("reset");     // RESET pressed again
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QStringList>("differences");
        QTest::newRow("verified") << false << true << int(Verification::Verified) << QStringList{};
        QTest::newRow("the unit holds another siren time")
            << true << true << int(Verification::Differs)
            << QStringList{QStringLiteral("Tempo Sirena (s): 45 → 46")};
        QTest::newRow("no RESET within the wait")
            << false << false << int(Verification::NotVerified) << QStringList{};
    }
    void readBackAfterWrite() {
        QFETCH(bool, imperfect);
        QFETCH(bool, reset);
        QFETCH(int, outcome);
        QFETCH(QStringList, differences);
        SimulatorOptions o;
        o.faults.imperfectStore = imperfect;
        WindowRig r(o);
        r.window->findChild<QCheckBox*>("chkVerifica")->click();
        QVERIFY(r.read());
        r.w<QLineEdit>(Ctl::txtTempoSirena)->setText(QStringLiteral("45"));
        const QStringList changes = r.window->editor().changesShown();
        QVERIFY(changes.contains(QStringLiteral("Tempo Sirena (s): 30 → 45")));
        r.click("SAVE");
        QTRY_COMPARE(r.prompt(), readBackPrompt());
        QCOMPARE(r.commands(), QStringLiteral("00010"));
        if (reset)
            r.peripheral->pressReset();
        QTRY_COMPARE(r.prompt(), verificationText({Verification(outcome), differences}));
        QVERIFY(!r.link.isOpen());
        QCOMPARE(r.commands(), QStringLiteral("10110"));
        QList<registry::UnitRecord> records;
        QVERIFY(!r.reg->local()->records({}, records));
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].changes, changes);
        QCOMPARE(int(records[0].verification), outcome);
        QCOMPARE(records[0].verificationDifferences, differences);
    }

    void announcementSetsFirmware_data() {
        QTest::addColumn<char>("letter");
        QTest::addColumn<char>("frame");
        QTest::addColumn<int>("m6");
        QTest::newRow("W, X frame") << 'W' << 'X' << 0;
        QTest::newRow("K, D frame") << 'K' << 'D' << 1;
    }
    void announcementSetsFirmware() {
        QFETCH(char, letter);
        QFETCH(char, frame);
        WindowRig r(announcing(letter, frame));
        r.state.FirmwareM6 = letter == 'W' ? 1 : 0;
        QVERIFY(r.read());
        QTEST(int(r.state.FirmwareM6), "m6");
        QVERIFY(r.state.ConfigImage == r.peripheral->image());
    }

    void refusalLeavesOnlyEnd() {
        SimulatorOptions o;
        o.faults.refuseWrites = true;
        WindowRig r(o);
        QVERIFY(r.read());
        QVERIFY(r.write());
        QCOMPARE(r.prompt(), ProgrammingRun::promptRefused());
        QCOMPARE(r.commands(), QStringLiteral("00010"));
        QVERIFY(r.link.isOpen());
        r.click("END");
        QVERIFY(!r.link.isOpen());
        QCOMPARE(r.commands(), QStringLiteral("10111"));
        QVERIFY(!r.ended);
    }

    void splitFrameAndNoise_data() {
        QTest::addColumn<bool>("split");
        QTest::addColumn<bool>("noise");
        QTest::newRow("split across ticks") << true << false;
        QTest::newRow("noise before messages") << false << true;
    }
    void splitFrameAndNoise() {
        QFETCH(bool, split);
        QFETCH(bool, noise);
        SimulatorOptions o;
        o.faults.splitFrame = split;
        o.faults.noise = noise;
        WindowRig r(o);
        QVERIFY(r.read(8000));
        QVERIFY(r.state.ConfigImage == r.peripheral->image());
    }

    void endFirstOrTwiceEndsProgram() {
        {
            WindowRig r;
            r.click("END");
            QVERIFY(r.ended);
        }
        {
            WindowRig r;
            r.click("LOAD");
            r.click("END");
            QVERIFY(!r.ended);
            QVERIFY(!r.link.isOpen());
            QVERIFY(!r.window->run().tmrClock().isActive());
            QTRY_VERIFY(!r.peripheral->portOpen());
            QCOMPARE(r.commands(), QStringLiteral("10111"));
            QVERIFY(r.panelVisible("framePresentation"));
            r.click("END");
            QVERIFY(r.ended);
        }
    }

    void configChoosesAnotherPort() {
        WindowRig r;
        r.settings.SaveSetting(QStringLiteral("Device2"), r.pty.slavePath());
        r.settings.SaveSetting(QStringLiteral("Device3"), QStringLiteral("/dev/selvana-missing"));
        r.dialogs.onModal = [](QDialog& portWindow) {
            portWindow.findChild<QComboBox*>("cmbPorte")->setCurrentIndex(1);
            portWindow.findChild<QPushButton*>("cmdOK")->click();
        };
        r.click("CONFIG");
        QCOMPARE(r.state.PortNumber, 2);
        QCOMPARE(r.commands(), QStringLiteral("10111"));
        QVERIFY(r.panelVisible("framePresentation"));
        QCOMPARE(r.settings.GetSetting(QStringLiteral("Port"), {}), QStringLiteral("2"));
        QVERIFY(r.read()); // through port 2 now

        r.click("END");
        r.dialogs.onModal = [](QDialog& portWindow) {
            portWindow.findChild<QComboBox*>("cmbPorte")->setCurrentIndex(2);
            portWindow.reject(); // close box after a failed test
        };
        r.click("CONFIG");
        QCOMPARE(r.state.PortNumber, 0);
        QCOMPARE(r.commands(), QStringLiteral("00011"));
        QCOMPARE(r.settings.GetSetting(QStringLiteral("Port"), {}), QStringLiteral("2"));
    }

    void absentPortIsReported() {
        WindowRig r;
        r.settings.SaveSetting(QStringLiteral("Device1"), QStringLiteral("/dev/selvana-missing"));
        r.click("LOAD");
        QVERIFY(r.prompt().contains(QStringLiteral("/dev/selvana-missing")));
        QVERIFY(r.prompt().contains(QStringLiteral("non esiste")));
        QVERIFY(r.panelVisible("frmPrepare"));
        QVERIFY(!r.window->run().tmrClock().isActive());
        QCOMPARE(r.commands(), QStringLiteral("10111"));
    }

    void busyPortIsReported() {
        WindowRig r;
        SystemSerialLink other;
        QVERIFY(!other.open(r.pty.slavePath()));
        r.click("LOAD");
        QVERIFY(r.prompt().contains(QStringLiteral("occupata")));
        QCOMPARE(r.commands(), QStringLiteral("10111"));
    }
};

SELVANA_TEST_MAIN(TestProgrammingE2E)
#include "tst_programming_e2e.moc"
