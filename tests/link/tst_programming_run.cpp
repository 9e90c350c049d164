#include "common/fake_link.h"
#include "common/sample_images.h"
#include "core/link/programming_run.h"

#include <QTest>

using namespace selvana;
using namespace selvana::testing;

using Rig = RunRig;

class TestProgrammingRun : public QObject {
    Q_OBJECT
private slots:
    void fullCycle() {
        Rig r;
        r.click("LOAD");
        QCOMPARE(r.host.commands(), QStringLiteral("00010"));
        QCOMPARE(r.host.prompt, ProgrammingRun::promptLoad());
        QCOMPARE(r.host.colour, 255u);
        QVERIFY(r.host.preparePanel);
        QVERIFY(!r.host.presentationPanel);
        QVERIFY(r.link.isOpen());
        QCOMPARE(r.link.openedDevices, QStringList{QStringLiteral("/dev/fake1")});
        QVERIFY(r.run.tmrClock().isActive());
        QCOMPARE(r.run.tmrClock().interval(), 500);
        QCOMPARE(r.host.calls.mid(0, 2), (QStringList{"ScriviReti", "FillCombos"}));

        r.tick("\nK\r");
        QCOMPARE(r.host.colour, 0xC0C03Fu); // blink
        QCOMPARE(r.link.writes, (QList<QByteArray>{"\nA\r", "\nX\r"}));
        QCOMPARE(r.state.FirmwareM6, 1);
        QCOMPARE(r.host.commands(), QStringLiteral("01010")); // presentation after announcement

        r.tick(readFrame(sampleProteusX()));
        QCOMPARE(r.host.colour, 255u);
        QCOMPARE(r.state.record.SerialNumber, QStringLiteral("1234ABCD"));
        QVERIFY(r.state.ConfigImage == sampleProteusX());
        QVERIFY(!r.host.preparePanel);
        QCOMPARE(r.host.calls.count(QStringLiteral("DisplayData")), 2);

        r.click("SAVE");
        QCOMPARE(r.host.prompt, ProgrammingRun::promptSave());
        QCOMPARE(r.host.commands(), QStringLiteral("00010"));
        QCOMPARE(r.link.writes.size(), 3);
        QCOMPARE(r.link.writes.last().size(), 71);
        QCOMPARE(r.link.writes.last().left(2), QByteArray("\nP"));

        r.tick("\nA\r");
        QCOMPARE(r.host.prompt, ProgrammingRun::promptWritten());
        QCOMPARE(r.host.commands(), QStringLiteral("10110"));
        QVERIFY(!r.link.isOpen());
        QVERIFY(!r.run.tmrClock().isActive());
        QVERIFY(r.host.preparePanel);
        QCOMPARE(r.link.writes.size(), 3);
    }

    void refusalLeavesOnlyEnd() {
        Rig r;
        r.click("LOAD");
        r.tick("\nW");
        QCOMPARE(r.state.FirmwareM6, 0);
        r.tick(readFrame(sampleProteusX(), 'D'));
        r.click("SAVE");
        r.tick("\nN\r");
        QCOMPARE(r.host.prompt, ProgrammingRun::promptRefused());
        QCOMPARE(r.host.commands(), QStringLiteral("00010"));
        QVERIFY(r.link.isOpen());
        QVERIFY(r.run.tmrClock().isActive());
        r.click("END");
        QVERIFY(!r.link.isOpen());
        QVERIFY(!r.run.tmrClock().isActive());
        QCOMPARE(r.host.commands(), QStringLiteral("10111"));
        QVERIFY(r.host.presentationPanel);
        QVERIFY(!r.host.ended);
    }

    void endFirstOrTwiceEndsProgram_data() {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<bool>("ended");
        QTest::newRow("END first") << QStringList{"END"} << true;
        QTest::newRow("END twice") << QStringList{"RETI", "END", "END"} << true;
        QTest::newRow("LOAD END") << QStringList{"LOAD", "END"} << false;
        QTest::newRow("RETI END") << QStringList{"RETI", "END"} << false;
    }
    void endFirstOrTwiceEndsProgram() {
        QFETCH(QStringList, clicks);
        Rig r;
        for (const QString& key : clicks)
            r.run.tlbMain_ButtonClick(key);
        QTEST(r.host.ended, "ended");
        QCOMPARE(r.host.calls.count(QStringLiteral("ScriviReti")), clicks.size());
    }

    void loadThenEndIdleWithPortClosed() {
        Rig r;
        r.click("LOAD");
        r.click("END");
        QVERIFY(!r.link.isOpen());
        QVERIFY(!r.run.tmrClock().isActive());
        QCOMPARE(r.host.commands(), QStringLiteral("10111"));
        QVERIFY(r.host.calls.contains(QStringLiteral("GetReti")));
        QCOMPARE(r.host.calls.last(), QStringLiteral("LoadReti"));
    }

    void configAppliesNewPort_data() {
        QTest::addColumn<int>("newPort");
        QTest::addColumn<QString>("commands");
        QTest::newRow("port 3") << 3 << "10111";
        QTest::newRow("no port") << 0 << "00011";
    }
    void configAppliesNewPort() {
        QFETCH(int, newPort);
        Rig r;
        r.host.portWindow = [&] { r.state.PortNumber = static_cast<std::int16_t>(newPort); };
        r.click("CONFIG");
        QTEST(r.host.commands(), "commands");
        QCOMPARE(r.run.previousCommand(), QStringLiteral("CONFIG"));
        QVERIFY(r.host.presentationPanel);
        QVERIFY(!r.host.ended);
    }

    void retiShowsNetworksPanel() {
        Rig r;
        r.click("RETI");
        QVERIFY(r.host.networksPanel);
        QCOMPARE(r.host.commands(), QStringLiteral("00010"));
        r.click("END");
        QVERIFY(!r.host.networksPanel);
    }

    void absentPortAtLoadIsReportedAndIdle() {
        Rig r;
        r.link.refuseOpen = true;
        r.click("LOAD");
        QCOMPARE(r.host.prompt, QStringLiteral("assente"));
        QVERIFY(r.host.preparePanel);
        QVERIFY(!r.run.tmrClock().isActive());
        QCOMPARE(r.host.commands(), QStringLiteral("10111"));
        r.click("END"); // back to the presentation panel, program goes on
        QVERIFY(!r.host.ended);
        QVERIFY(r.host.presentationPanel);
    }

    void collectionFailureSendsNothing() {
        Rig r;
        r.click("LOAD");
        r.tick("\nK");
        r.tick(readFrame(sampleProteusX()));
        r.host.collectError = FieldError::outOfRange(QStringLiteral("txtTempoSirena"),
                                                     QStringLiteral("Tempo Sirena (s)"));
        const auto writesBefore = r.link.writes.size();
        r.click("SAVE");
        QCOMPARE(r.link.writes.size(), writesBefore);
        QCOMPARE(r.host.reported, QStringList{QStringLiteral("txtTempoSirena")});
        QCOMPARE(r.host.commands(), QStringLiteral("01010"));
        QVERIFY(!r.host.preparePanel);
    }

    void announcementWhileWritingAnsweredButNotShown() {
        Rig r;
        r.click("LOAD");
        r.tick("\nW");
        r.tick(readFrame(sampleProteusX()));
        r.click("SAVE");
        const int shown = int(r.host.calls.count(QStringLiteral("DisplayData")));
        r.tick("\nK\r");
        QCOMPARE(r.state.FirmwareM6, 1);
        QCOMPARE(r.link.writes.mid(r.link.writes.size() - 2),
                 (QList<QByteArray>{"\nA\r", "\nX\r"}));
        r.tick(readFrame(sampleSicep()));
        QCOMPARE(r.host.calls.count(QStringLiteral("DisplayData")), shown);
        QVERIFY(r.state.ConfigImage == sampleProteusX());
    }

    void saveStaysOffWhenPresentationForbidsIt() {
        Rig r;
        r.host.presentAllowsSave = false;
        r.click("LOAD");
        r.tick("\nK");
        r.tick(readFrame(sampleProteusX()));
        QCOMPARE(r.host.commands(), QStringLiteral("00010"));
    }

    void lostLinkReturnsToIdle() {
        Rig r;
        r.click("LOAD");
        r.link.failure_ = PortError{PortError::Kind::Lost, QStringLiteral("/dev/fake1"),
                                    QStringLiteral("interrotto")};
        r.tick();
        QCOMPARE(r.host.prompt, QStringLiteral("interrotto"));
        QVERIFY(!r.link.isOpen());
        QVERIFY(!r.run.tmrClock().isActive());
        QCOMPARE(r.host.commands(), QStringLiteral("10111"));
    }

    void splitFrameCompletesWithoutWaitingForTick() {
        Rig r;
        r.click("LOAD");
        r.tick("\nK");
        const QByteArray frame = readFrame(sampleProteusX());
        r.tick(frame.left(20));
        QCOMPARE(r.host.calls.count(QStringLiteral("DisplayData")), 1);
        r.link.incoming = frame.mid(20);
        QTRY_COMPARE_WITH_TIMEOUT(r.host.calls.count(QStringLiteral("DisplayData")), 2, 300);
        QCOMPARE(r.state.record.SerialNumber, QStringLiteral("1234ABCD"));
    }
};

QTEST_GUILESS_MAIN(TestProgrammingRun)
#include "tst_programming_run.moc"
