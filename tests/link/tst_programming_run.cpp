#include "common/fake_link.h"
#include "common/sample_images.h"
#include "core/run/programming_run.h"

#include <QTest>

#include <algorithm>

using namespace selvana;
using namespace selvana::testing;

using Rig = RunRig;

Q_DECLARE_METATYPE(selvana::Command)
Q_DECLARE_METATYPE(selvana::WriteOutcome)

namespace {

// "LOAD", announcement and frame: the configuration is shown and may be written.
bool readOn(Rig& r) {
    r.click(Command::Load);
    r.tick("\nK\r");
    r.tick(readFrame(sampleProteusX()));
    return r.run.configurationRead() && r.host.commands() == QLatin1String("01010");
}

qsizetype writeFrames(const Rig& r) {
    return std::count_if(r.link.writes.begin(), r.link.writes.end(),
                         [](const QByteArray& w) { return w.startsWith("\nP"); });
}

} // namespace

class TestProgrammingRun : public QObject {
    Q_OBJECT
private slots:
    void fullCycle() {
        Rig r;
        r.click(Command::Load);
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
        // The presentation after the announcement: the editor is uncovered, but what it shows
        // is not this peripheral's configuration yet.
        QVERIFY(!r.host.preparePanel);
        QCOMPARE(r.host.commands(), QStringLiteral("00010"));

        r.tick(readFrame(sampleProteusX()));
        QCOMPARE(r.host.colour, 255u);
        QCOMPARE(r.state.record.SerialNumber, QStringLiteral("1234ABCD"));
        QVERIFY(r.state.ConfigImage == sampleProteusX());
        QVERIFY(!r.host.preparePanel);
        QCOMPARE(r.host.calls.count(QStringLiteral("DisplayData")), 2);

        r.click(Command::Save);
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
        r.click(Command::Load);
        r.tick("\nW");
        QCOMPARE(r.state.FirmwareM6, 0);
        r.tick(readFrame(sampleProteusX(), 'D'));
        r.click(Command::Save);
        r.tick("\nN\r");
        QCOMPARE(r.host.prompt, ProgrammingRun::promptRefused());
        QCOMPARE(r.host.commands(), QStringLiteral("00010"));
        QVERIFY(r.link.isOpen());
        QVERIFY(r.run.tmrClock().isActive());
        r.click(Command::End);
        QVERIFY(!r.link.isOpen());
        QVERIFY(!r.run.tmrClock().isActive());
        QCOMPARE(r.host.commands(), QStringLiteral("10111"));
        QVERIFY(r.host.presentationPanel);
        QVERIFY(!r.host.ended);
    }

    void endFirstOrTwiceEndsProgram_data() {
        QTest::addColumn<QList<Command>>("clicks");
        QTest::addColumn<bool>("ended");
        QTest::newRow("END first") << QList<Command>{Command::End} << true;
        QTest::newRow("END twice")
            << QList<Command>{Command::Reti, Command::End, Command::End} << true;
        QTest::newRow("LOAD END") << QList<Command>{Command::Load, Command::End} << false;
        QTest::newRow("RETI END") << QList<Command>{Command::Reti, Command::End} << false;
    }
    void endFirstOrTwiceEndsProgram() {
        QFETCH(QList<Command>, clicks);
        Rig r;
        for (Command command : clicks)
            r.run.tlbMain_ButtonClick(command);
        QTEST(r.host.ended, "ended");
        QCOMPARE(r.host.calls.count(QStringLiteral("ScriviReti")), clicks.size());
    }

    void loadThenEndIdleWithPortClosed() {
        Rig r;
        r.click(Command::Load);
        r.click(Command::End);
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
        r.click(Command::Config);
        QTEST(r.host.commands(), "commands");
        QVERIFY(r.run.previousCommand() == Command::Config);
        QVERIFY(r.host.presentationPanel);
        QVERIFY(!r.host.ended);
    }

    void retiShowsNetworksPanel() {
        Rig r;
        r.click(Command::Reti);
        QVERIFY(r.host.networksPanel);
        QCOMPARE(r.host.commands(), QStringLiteral("00010"));
        r.click(Command::End);
        QVERIFY(!r.host.networksPanel);
    }

    void absentPortAtLoadIsReportedAndIdle() {
        Rig r;
        r.link.refuseOpen = true;
        r.click(Command::Load);
        QCOMPARE(r.host.prompt, QStringLiteral("assente"));
        QVERIFY(r.host.preparePanel);
        QVERIFY(!r.run.tmrClock().isActive());
        QCOMPARE(r.host.commands(), QStringLiteral("10111"));
        r.click(Command::End); // back to the presentation panel, program goes on
        QVERIFY(!r.host.ended);
        QVERIFY(r.host.presentationPanel);
    }

    void collectionFailureSendsNothing() {
        Rig r;
        r.click(Command::Load);
        r.tick("\nK");
        r.tick(readFrame(sampleProteusX()));
        r.host.collectError = FieldError::outOfRange(QStringLiteral("txtTempoSirena"),
                                                     QStringLiteral("Tempo Sirena (s)"));
        const auto writesBefore = r.link.writes.size();
        r.click(Command::Save);
        QCOMPARE(r.link.writes.size(), writesBefore);
        QCOMPARE(r.host.reported, QStringList{QStringLiteral("txtTempoSirena")});
        QCOMPARE(r.host.commands(), QStringLiteral("01010"));
        QVERIFY(!r.host.preparePanel);
    }

    void announcementWhileWritingAnsweredButNotShown() {
        Rig r;
        r.click(Command::Load);
        r.tick("\nW");
        r.tick(readFrame(sampleProteusX()));
        r.click(Command::Save);
        const int shown = int(r.host.calls.count(QStringLiteral("DisplayData")));
        r.tick("\nK\r");
        QCOMPARE(r.state.FirmwareM6, 1);
        QCOMPARE(r.link.writes.mid(r.link.writes.size() - 2),
                 (QList<QByteArray>{"\nA\r", "\nX\r"}));
        // Restarted instead of answering: whether the write was taken is unknown, at once.
        QCOMPARE(r.host.prompt, ProgrammingRun::promptRestarted());
        QVERIFY(r.host.preparePanel);
        QCOMPARE(r.host.commands(), QStringLiteral("00010"));
        r.tick(readFrame(sampleSicep()));
        QCOMPARE(r.host.calls.count(QStringLiteral("DisplayData")), shown);
        QVERIFY(r.state.ConfigImage == sampleProteusX());
        QVERIFY(!r.run.configurationRead());
    }

    void saveStaysOffWhenPresentationForbidsIt() {
        Rig r;
        r.host.presentAllowsSave = false;
        r.click(Command::Load);
        r.tick("\nK");
        r.tick(readFrame(sampleProteusX()));
        QCOMPARE(r.host.commands(), QStringLiteral("00010"));
    }

    void lostLinkReturnsToIdle() {
        Rig r;
        r.click(Command::Load);
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
        r.click(Command::Load);
        r.tick("\nK");
        const QByteArray frame = readFrame(sampleProteusX());
        r.tick(frame.left(20));
        QCOMPARE(r.host.calls.count(QStringLiteral("DisplayData")), 1);
        r.link.incoming = frame.mid(20);
        QTRY_COMPARE_WITH_TIMEOUT(r.host.calls.count(QStringLiteral("DisplayData")), 2, 300);
        QCOMPARE(r.state.record.SerialNumber, QStringLiteral("1234ABCD"));
    }

    void unansweredWriteIsReportedOnce() {
        Rig r;
        QVERIFY(readOn(r));
        r.click(Command::Save);
        QCOMPARE(writeFrames(r), 1);
        r.tick({}, LinkTiming{}.answerWaitMs - 1);
        QCOMPARE(r.host.prompt, ProgrammingRun::promptSave());
        r.host.preparePanel = false;
        r.tick({}, 1);
        QCOMPARE(r.host.prompt, ProgrammingRun::promptNoAnswer());
        QVERIFY(r.host.prompt.contains(QStringLiteral("Fine lavoro")));
        QVERIFY(r.host.preparePanel);
        // Nothing else changes: the port stays open for a late answer and only END is offered.
        QVERIFY(r.link.isOpen());
        QVERIFY(r.run.tmrClock().isActive());
        QCOMPARE(r.host.commands(), QStringLiteral("00010"));
        QCOMPARE(writeFrames(r), 1);
        r.host.prompt.clear();
        r.tick();
        QVERIFY(r.host.prompt.isEmpty()); // said once
    }

    void lateAnswerStillCounts_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<bool>("open");
        QTest::newRow("A") << QByteArray("\nA\r") << ProgrammingRun::promptWritten() << false;
        QTest::newRow("N") << QByteArray("\nN\r") << ProgrammingRun::promptRefused() << true;
    }
    void lateAnswerStillCounts() {
        QFETCH(QByteArray, answer);
        Rig r;
        QVERIFY(readOn(r));
        r.click(Command::Save);
        r.tick({}, LinkTiming{}.answerWaitMs + 2000);
        QCOMPARE(r.host.prompt, ProgrammingRun::promptNoAnswer());
        r.tick(answer);
        QTEST(r.host.prompt, "prompt");
        QTEST(r.link.isOpen(), "open");
    }

    // Each write that went out is reported to the window once its outcome is shown; after "no
    // answer" only a real answer is reported again.
    void eachWriteEndsWithItsReport_data() {
        QTest::addColumn<QList<QByteArray>>("events"); // "wait": the answer wait; "lost"
        QTest::addColumn<QList<WriteOutcome>>("outcomes");
        using O = WriteOutcome;
        const QByteArray wait("wait");
        const QByteArray lost("lost");
        QTest::newRow("A") << QList<QByteArray>{"\nA\r"} << QList<O>{O::Written};
        QTest::newRow("N") << QList<QByteArray>{"\nN\r"} << QList<O>{O::Refused};
        QTest::newRow("no answer") << QList<QByteArray>{wait} << QList<O>{O::NoAnswer};
        QTest::newRow("no answer, late A")
            << QList<QByteArray>{wait, "\nA\r"} << QList<O>{O::NoAnswer, O::Written};
        QTest::newRow("no answer, late N")
            << QList<QByteArray>{wait, "\nN\r"} << QList<O>{O::NoAnswer, O::Refused};
        QTest::newRow("restarted instead") << QList<QByteArray>{"\nK\r"} << QList<O>{O::NoAnswer};
        QTest::newRow("port lost") << QList<QByteArray>{lost} << QList<O>{O::PortLost};
        QTest::newRow("no answer, then port lost")
            << QList<QByteArray>{wait, lost} << QList<O>{O::NoAnswer};
        QTest::newRow("N, then port lost")
            << QList<QByteArray>{"\nN\r", lost} << QList<O>{O::Refused};
    }
    void eachWriteEndsWithItsReport() {
        QFETCH(QList<QByteArray>, events);
        Rig r;
        QVERIFY(readOn(r));
        r.click(Command::Save);
        QCOMPARE(r.host.approvals, 1);
        QVERIFY(r.host.outcomes.isEmpty());
        for (const QByteArray& event : events) {
            if (event == "wait") {
                r.tick({}, LinkTiming{}.answerWaitMs + 1);
            } else if (event == "lost") {
                r.link.failure_ = PortError{PortError::Kind::Lost, QStringLiteral("/dev/fake1"),
                                            QStringLiteral("Collegamento interrotto.")};
                r.link.close();
                r.tick();
            } else {
                r.tick(event);
            }
        }
        r.tick({}, 2 * LinkTiming{}.answerWaitMs);
        QTEST(r.host.outcomes, "outcomes");
    }

    void declinedWriteSendsNothingAndStays() {
        Rig r;
        QVERIFY(readOn(r));
        r.host.approve = false;
        r.click(Command::Save);
        QCOMPARE(r.host.approvals, 1);
        QCOMPARE(writeFrames(r), 0);
        QVERIFY(r.backups.isEmpty());
        QCOMPARE(r.host.commands(), QStringLiteral("01010"));
        QVERIFY(!r.host.preparePanel);
        QCOMPARE(r.run.lastCommand(), std::optional<Command>(Command::Load));
        QVERIFY(r.host.outcomes.isEmpty());
        // Approved the second time: the write goes out.
        r.host.approve = true;
        r.click(Command::Save);
        QCOMPARE(writeFrames(r), 1);
        r.tick("\nA\r");
        QCOMPARE(r.host.outcomes, QList<WriteOutcome>{WriteOutcome::Written});
    }

    void endAfterUnansweredWriteReturnsToIdle() {
        Rig r;
        QVERIFY(readOn(r));
        r.click(Command::Save);
        r.tick({}, LinkTiming{}.answerWaitMs);
        r.click(Command::End);
        QVERIFY(!r.link.isOpen());
        QVERIFY(!r.run.tmrClock().isActive());
        QCOMPARE(r.host.commands(), QStringLiteral("10111"));
        QVERIFY(!r.host.ended);
        // A new run starts with no write pending.
        QVERIFY(readOn(r));
        r.tick({}, 2 * LinkTiming{}.answerWaitMs);
        QCOMPARE(r.host.commands(), QStringLiteral("01010"));
    }

    void portLostDuringWriteSaysTheWriteIsUncertain_data() {
        QTest::addColumn<bool>("writing");
        QTest::newRow("while reading") << false;
        QTest::newRow("while a write awaits its answer") << true;
    }
    void portLostDuringWriteSaysTheWriteIsUncertain() {
        QFETCH(bool, writing);
        Rig r;
        QVERIFY(readOn(r));
        if (writing)
            r.click(Command::Save);
        r.link.failure_ = PortError{PortError::Kind::Lost, QStringLiteral("/dev/fake1"),
                                    QStringLiteral("Collegamento interrotto.")};
        r.link.close();
        r.tick();
        QCOMPARE(r.host.prompt.startsWith(QStringLiteral("Collegamento interrotto.")), true);
        QCOMPARE(r.host.prompt.endsWith(ProgrammingRun::promptWriteUnknown()), writing);
        QCOMPARE(r.host.commands(), QStringLiteral("10111"));
    }

    // A peripheral that announces itself again after its configuration was read (restarted,
    // or another one plugged in) must be read again before SAVE is offered.
    void newAnnouncementNeedsNewRead() {
        Rig r;
        QVERIFY(readOn(r));
        r.tick("\nW\r");
        QVERIFY(!r.run.configurationRead());
        r.tick(readFrame(sampleSicep()));
        QVERIFY(r.run.configurationRead());
        QVERIFY(r.state.ConfigImage == sampleSicep());
    }

    // After a SAVE that sent nothing (a field out of range, or a refusal already told), an "A"
    // answers nothing: no success is reported.
    void answerWithoutWriteIsNoSuccess_data() {
        QTest::addColumn<bool>("refusedFirst");
        QTest::newRow("after a field error") << false;
        QTest::newRow("after a refusal") << true;
    }
    void answerWithoutWriteIsNoSuccess() {
        QFETCH(bool, refusedFirst);
        Rig r;
        QVERIFY(readOn(r));
        if (refusedFirst) {
            r.click(Command::Save);
            r.tick("\nN\r");
            QCOMPARE(r.host.prompt, ProgrammingRun::promptRefused());
        } else {
            r.host.collectError = FieldError::outOfRange(QStringLiteral("txtTempoSirena"),
                                                         QStringLiteral("Tempo Sirena (s)"));
            r.click(Command::Save);
            QCOMPARE(writeFrames(r), 0);
        }
        const QString prompt = r.host.prompt;
        const QString commands = r.host.commands();
        r.tick("\nA\r");
        QCOMPARE(r.host.prompt, prompt);
        QCOMPARE(r.host.commands(), commands);
        QVERIFY(r.link.isOpen());
        QVERIFY(r.run.tmrClock().isActive());
    }

    void frameAfterFieldErrorIsShown() {
        Rig r;
        QVERIFY(readOn(r));
        r.host.collectError = FieldError::outOfRange(QStringLiteral("txtTempoSirena"),
                                                     QStringLiteral("Tempo Sirena (s)"));
        r.click(Command::Save);
        r.tick("\nK\r");
        r.tick(readFrame(sampleSicep()));
        QVERIFY(r.state.ConfigImage == sampleSicep());
        QVERIFY(r.run.configurationRead());
        r.host.collectError.reset();
        r.click(Command::Save);
        QCOMPARE(writeFrames(r), 1);
    }

    // SAVE between a port failure and the next tick reports the failure, not a field, and
    // leaves the run idle.
    void saveAfterPortFailureGoesIdle() {
        Rig r;
        QVERIFY(readOn(r));
        r.link.failure_ = PortError{PortError::Kind::Lost, QStringLiteral("/dev/fake1"),
                                    QStringLiteral("Collegamento interrotto")};
        r.link.close();
        r.host.collectError = FieldError::outOfRange(QStringLiteral("txtTempoSirena"),
                                                     QStringLiteral("Tempo Sirena (s)"));
        r.click(Command::Save);
        QCOMPARE(r.host.prompt, QStringLiteral("Collegamento interrotto"));
        QVERIFY(r.host.reported.isEmpty());
        QVERIFY(!r.run.tmrClock().isActive());
        QCOMPARE(r.host.commands(), QStringLiteral("10111"));
        QCOMPARE(writeFrames(r), 0);
    }

    // Without a copy of what the peripheral holds nothing is written; the reason is the link
    // panel's prompt, and SAVE tries again once the copy can be kept.
    void noBackupNoWrite() {
        Rig r;
        QVERIFY(readOn(r));
        r.backupFailure = FileError{FileError::Operation::Create,
                                    QStringLiteral("/backup"),
                                    QStringLiteral("Impossibile salvare la copia di sicurezza"),
                                    {}};
        r.click(Command::Save);
        QCOMPARE(writeFrames(r), 0);
        QCOMPARE(r.host.prompt, QStringLiteral("Impossibile salvare la copia di sicurezza"));
        QVERIFY(r.host.preparePanel);
        QVERIFY(r.host.reported.isEmpty());
        QCOMPARE(r.host.commands(), QStringLiteral("01010"));
        QVERIFY(r.run.lastCommand() == Command::Load);
        r.backupFailure.reset();
        r.click(Command::Save);
        QCOMPARE(writeFrames(r), 1);
        QCOMPARE(r.backups, QStringList{QStringLiteral("1234ABCD")});
        QCOMPARE(r.host.prompt, ProgrammingRun::promptSave());
    }

    // A copy before the first write after every read, none when nothing is sent.
    void oneBackupPerWrittenRead() {
        Rig r;
        QVERIFY(readOn(r));
        r.host.collectError = FieldError::outOfRange(QStringLiteral("txtTempoSirena"),
                                                     QStringLiteral("Tempo Sirena (s)"));
        r.click(Command::Save);
        QVERIFY(r.backups.isEmpty());
        r.host.collectError.reset();
        r.click(Command::Save);
        r.tick("\nN\r");
        r.click(Command::End);
        QVERIFY(readOn(r));
        r.click(Command::Save);
        QCOMPARE(r.backups, (QStringList{"1234ABCD", "1234ABCD"}));
        QCOMPARE(writeFrames(r), 2);
    }

    // What answers no write and frames no announcement asked for change nothing.
    void unaskedMessagesWhileReading_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("A") << QByteArray("\nA\r");
        QTest::newRow("N") << QByteArray("\nN\r");
        QTest::newRow("a frame without announcement") << readFrame(sampleSicep());
    }
    void unaskedMessagesWhileReading() {
        QFETCH(QByteArray, input);
        Rig r;
        r.click(Command::Load);
        r.tick(input);
        QCOMPARE(r.host.prompt, ProgrammingRun::promptLoad());
        QVERIFY(r.host.preparePanel);
        QCOMPARE(r.host.commands(), QStringLiteral("00010"));
        QVERIFY(!r.host.calls.contains(QStringLiteral("DisplayData")));
        QVERIFY(!r.run.configurationRead());
    }

    // An announcement whose frame never begins asks for RESET again.
    void frameThatNeverBeginsAsksForReset() {
        Rig r;
        r.click(Command::Load);
        r.tick("\nK\r");
        QVERIFY(!r.host.preparePanel); // the presentation after the announcement
        r.tick({}, LinkTiming{}.frameBoundMs);
        QCOMPARE(r.host.prompt, ProgrammingRun::promptIncomplete());
        QVERIFY(r.host.preparePanel);
        QCOMPARE(r.host.commands(), QStringLiteral("00010"));
        QVERIFY(r.link.isOpen());
        r.tick("\nK\r");
        r.tick(readFrame(sampleSicep()));
        QVERIFY(r.run.configurationRead());
        QVERIFY(r.state.ConfigImage == sampleSicep());
    }
};

QTEST_GUILESS_MAIN(TestProgrammingRun)
#include "tst_programming_run.moc"
