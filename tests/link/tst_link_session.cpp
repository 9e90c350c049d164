#include "common/fake_link.h"
#include "common/sample_images.h"
#include "common/test_timing.h"
#include "core/link/link_session.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace selvana;
using namespace selvana::testing;
using Answer = LinkSession::Answer;

namespace {

const char* answerName(Answer answer) {
    switch (answer) {
    case Answer::Accepted:
        return "accepted";
    case Answer::Refused:
        return "refused";
    case Answer::None:
        return "none";
    case Answer::Restarted:
        return "restarted";
    }
    return "?";
}

// The session on a link in memory and a clock the test moves, its signals written down as
// words. Scripts are lists of steps, each followed by one poll unless it says otherwise:
//   K, W, A, N         that message arrives          frame, half, rest   a read frame, or its
//   noise              bytes without a line feed                         first 30 bytes, or the
//   rest +N, +bound, +answer-1 ...  the clock moves on      await N  awaitPeripheral(N), no poll
//   write              the sample is written, no poll  fail     the port stops working
//   nobackup, backup   the copies fail, or work again
struct SessionRig {
    FakeSerialLink link;
    LinkSession session;
    std::int64_t now = 0;
    QStringList events;
    bool backupFails = false;

    explicit SessionRig(const LinkTiming& timing = {}) : session(link, timing) {
        session.setClock([this] { return now; });
        session.setBackup([this](const LinkSession::ReadConfiguration& read, QString* path) {
            if (backupFails)
                return std::optional<FileError>(
                    FileError{FileError::Operation::Create, {}, QStringLiteral("no"), {}});
            *path = read.serialNumber + QStringLiteral(".con");
            events << QStringLiteral("backup %1 %2").arg(read.serialNumber).arg(read.bandaUHF);
            return std::optional<FileError>();
        });
        QObject::connect(&session, &LinkSession::announced, [this](std::uint8_t m6) {
            events << QStringLiteral("announced %1").arg(m6);
        });
        QObject::connect(
            &session, &LinkSession::configurationRead, [this](const Image& image, std::uint8_t m6) {
                events << QStringLiteral("read %1 %2").arg(serialNumberOf(image)).arg(m6);
            });
        QObject::connect(&session, &LinkSession::frameIncomplete,
                         [this] { events << QStringLiteral("incomplete"); });
        QObject::connect(&session, &LinkSession::waitExpired,
                         [this] { events << QStringLiteral("expired"); });
        QObject::connect(&session, &LinkSession::answered, [this](Answer answer) {
            events << QStringLiteral("answer ") + QLatin1String(answerName(answer));
        });
        QObject::connect(&session, &LinkSession::linkFailed,
                         [this](const PortError&, bool duringWrite) {
                             events << (duringWrite ? QStringLiteral("failed during write")
                                                    : QStringLiteral("failed"));
                         });
        QObject::connect(&session, &LinkSession::backupFailed,
                         [this](const FileError&) { events << QStringLiteral("backup failed"); });
        if (session.open(QStringLiteral("/dev/fake")))
            qFatal("the fake link did not open");
    }

    std::int64_t amount(const QString& text) const {
        const LinkTiming& t = session.timing();
        QString rest = text;
        std::int64_t base = 0;
        if (rest.startsWith(QLatin1String("bound")))
            base = t.frameBoundMs, rest.remove(0, 5);
        else if (rest.startsWith(QLatin1String("answer")))
            base = t.answerWaitMs, rest.remove(0, 6);
        return base + rest.toLongLong();
    }

    void run(const QStringList& steps) {
        const QByteArray frame = readFrame(sampleProteusX());
        for (const QString& step : steps) {
            if (step == QLatin1String("write")) {
                const qsizetype before = events.size();
                if (!session.write(sampleProteusX()) && events.size() == before)
                    events << QStringLiteral("nothing to write");
                continue;
            }
            if (step.startsWith(QLatin1String("await "))) {
                session.awaitPeripheral(step.mid(6).toLongLong());
                continue;
            }
            if (step == QLatin1String("nobackup") || step == QLatin1String("backup")) {
                backupFails = step == QLatin1String("nobackup");
                continue;
            }
            if (step.startsWith(QLatin1Char('+')))
                now += amount(step.mid(1));
            else if (step == QLatin1String("frame"))
                link.incoming += frame;
            else if (step == QLatin1String("half"))
                link.incoming += frame.left(30);
            else if (step == QLatin1String("rest"))
                link.incoming += frame.mid(30);
            else if (step == QLatin1String("noise"))
                link.incoming += QByteArray("\x01\xFEzz\r", 5);
            else if (step == QLatin1String("fail")) {
                link.failure_ = PortError{PortError::Kind::Lost, QStringLiteral("/dev/fake"),
                                          QStringLiteral("perso")};
                link.close();
            } else if (step.size() == 1)
                link.incoming += QByteArray("\n") + step.toLatin1() + '\r';
            else
                qFatal("unknown step %s", qPrintable(step));
            session.tick();
        }
    }

    // What went to the peripheral: A and X for the replies to an announcement, P for a write.
    QString sent() const {
        QString s;
        for (const QByteArray& w : link.writes)
            s += w.size() > 1 ? QChar::fromLatin1(w[1]) : QLatin1Char('?');
        return s;
    }
};

QMap<QString, std::int64_t> readmeTimeouts() {
    QFile readme(QStringLiteral(SELVANA_SOURCE_DIR "/README.md"));
    if (!readme.open(QIODevice::ReadOnly))
        return {};
    QMap<QString, std::int64_t> values;
    static const QRegularExpression row(QStringLiteral("^\\|[^|]*`(\\w+)`[^|]*\\| (\\d+) ms \\|"));
    for (const QByteArray& line : readme.readAll().split('\n')) {
        const auto match = row.match(QString::fromUtf8(line));
        if (match.hasMatch())
            values.insert(match.captured(1), match.captured(2).toLongLong());
    }
    return values;
}

} // namespace

class TestLinkSession : public QObject {
    Q_OBJECT
private slots:
    void exchange_data() {
        QTest::addColumn<bool>("shortTiming");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("sent");
        const QString read = QStringLiteral("read 1234ABCD 1");
        const QString backup = QStringLiteral("backup 1234ABCD 0");
        const QStringList readSteps{"await 0", "K", "frame"};
        const QStringList readEvents{"announced 1", read};
        const auto row = [](const char* name, bool shortTiming, const QStringList& steps,
                            const QStringList& events, const char* sent) {
            QTest::newRow(name) << shortTiming << steps << events << QString::fromLatin1(sent);
        };
        for (bool shortTiming : {false, true}) {
            const auto named = [shortTiming](const char* name) {
                return QByteArray(name).append(shortTiming ? ", short timing" : "");
            };
            row(named("announcement answered, frame read"), shortTiming, readSteps, readEvents,
                "AX");
            row(named("before M6, noise first"), shortTiming, {"noise", "W", "frame"},
                {"announced 0", "read 1234ABCD 0"}, "AX");
            row(named("frame split over polls"), shortTiming, {"K", "half", "rest"}, readEvents,
                "AX");
            row(named("what nobody asked for is dropped"), shortTiming,
                {"await 0", "frame", "A", "N"}, {}, "");
            row(named("accepted, after a backup"), shortTiming,
                readSteps + QStringList{"write", "A"},
                readEvents + QStringList{backup, "answer accepted"}, "AXP");
            row(named("refused"), shortTiming, readSteps + QStringList{"write", "N"},
                readEvents + QStringList{backup, "answer refused"}, "AXP");
            row(named("silence until the answer wait ends"), shortTiming,
                readSteps + QStringList{"write", "+answer-1", "+1"},
                readEvents + QStringList{backup, "answer none"}, "AXP");
            row(named("a late answer still counts"), shortTiming,
                readSteps + QStringList{"write", "+answer", "A"},
                readEvents + QStringList{backup, "answer none", "answer accepted"}, "AXP");
            row(named("restarted instead of answering: its frame follows"), shortTiming,
                readSteps + QStringList{"write", "W", "frame"},
                readEvents + QStringList{backup, "answer restarted", "read 1234ABCD 0"}, "AXPAX");
            row(named("an answer after the verdict answers nothing"), shortTiming,
                readSteps + QStringList{"write", "N", "A"},
                readEvents + QStringList{backup, "answer refused"}, "AXP");
            row(named("one write per read"), shortTiming,
                readSteps + QStringList{"write", "A", "write"},
                readEvents + QStringList{backup, "answer accepted", "nothing to write"}, "AXP");
            row(named("an announcement needs a new read"), shortTiming,
                readSteps + QStringList{"K", "write"},
                readEvents + QStringList{"announced 1", "nothing to write"}, "AXAX");
            row(named("no copy, no write; then the copy and the write"), shortTiming,
                readSteps + QStringList{"nobackup", "write", "backup", "write"},
                readEvents + QStringList{"backup failed", backup}, "AXP");
            row(named("no peripheral within the limit"), shortTiming,
                {"await 3000", "+2999", "+1", "+5000"}, {"expired"}, "");
            row(named("no limit, no end"), shortTiming, {"await 0", "+100000"}, {}, "");
            row(named("after an incomplete frame the limit starts again"), shortTiming,
                {"await 3000", "K", "+bound", "+2999", "+1"},
                {"announced 1", "incomplete", "expired"}, "AX");
            row(named("the frame does not begin"), shortTiming,
                {"await 0", "K", "+bound-1", "+1", "frame"}, {"announced 1", "incomplete"}, "AX");
            row(named("the frame stops halfway"), shortTiming,
                {"await 0", "K", "half", "+bound", "+1", "rest"}, {"announced 1", "incomplete"},
                "AX");
            row(named("port lost while waiting"), shortTiming, {"await 0", "fail", "K"}, {"failed"},
                "");
            row(named("port lost during a write"), shortTiming,
                readSteps + QStringList{"write", "fail"},
                readEvents + QStringList{backup, "failed during write"}, "AXP");
            row(named("port lost after the answer wait"), shortTiming,
                readSteps + QStringList{"write", "+answer", "fail"},
                readEvents + QStringList{backup, "answer none", "failed during write"}, "AXP");
            row(named("port lost before a write"), shortTiming, readSteps + QStringList{"fail"},
                readEvents + QStringList{"failed"}, "AX");
        }
    }
    void exchange() {
        QFETCH(bool, shortTiming);
        QFETCH(QStringList, steps);
        SessionRig r(shortTiming ? testTiming() : LinkTiming{});
        r.run(steps);
        QTEST(r.events, "events");
        QTEST(r.sent(), "sent");
        if (r.sent().endsWith(QLatin1Char('P')))
            QCOMPARE(r.link.writes.last(), buildWriteFrame(sampleProteusX()));
    }

    // The band marker of the copy follows the band the program was started with.
    void theCopyKeepsWhatWasRead_data() {
        QTest::addColumn<QString>("band");
        QTest::addColumn<int>("bandaUHF");
        QTest::newRow("band of the frequency") << QString() << 0;
        QTest::newRow("UHF forced") << QStringLiteral("U") << 1;
    }
    void theCopyKeepsWhatWasRead() {
        QFETCH(QString, band);
        SessionRig r;
        r.session.setBandLetter(band);
        LinkSession::ReadConfiguration kept;
        r.session.setBackup([&kept](const LinkSession::ReadConfiguration& read, QString*) {
            kept = read;
            return std::optional<FileError>();
        });
        r.run({"K", "frame"});
        QVERIFY(r.session.mayWrite());
        QVERIFY(r.session.write(sampleSicep()));
        QVERIFY(kept.image == sampleProteusX());
        QCOMPARE(kept.firmwareM6, 1);
        QTEST(int(kept.bandaUHF), "bandaUHF");
        QCOMPARE(kept.serialNumber, QStringLiteral("1234ABCD"));
        QCOMPARE(r.link.writes.last(), buildWriteFrame(sampleSicep()));
    }

    void closingForgetsTheRead() {
        SessionRig r;
        r.run({"K", "frame"});
        QVERIFY(r.session.mayWrite());
        r.session.close();
        QVERIFY(!r.session.mayWrite());
        QVERIFY(!r.session.write(sampleProteusX()));
        QVERIFY(!r.link.isOpen());
        QVERIFY(!r.session.tickTimer().isActive());
        r.link.incoming = "\nK\r";
        r.session.tick(); // closed: nothing is read or answered
        QCOMPARE(r.sent(), QStringLiteral("AX"));
    }

    // The timers run at the timing's pace, and the frame poll only while a frame arrives.
    void timersFollowTheTiming() {
        FakeSerialLink link;
        LinkSession session(link, testTiming());
        int frames = 0;
        QObject::connect(&session, &LinkSession::configurationRead, [&frames] { ++frames; });
        QVERIFY(!session.open(QStringLiteral("/dev/fake")));
        QCOMPARE(session.tickTimer().interval(), testTiming().tickMs);
        QVERIFY(session.tickTimer().isActive());
        session.setTiming(LinkTiming{});
        QCOMPARE(session.tickTimer().interval(), testTiming().tickMs); // from the next open
        link.incoming = "\nK\r";
        QTRY_COMPARE(int(link.writes.size()), 2);
        const QByteArray frame = readFrame(sampleProteusX());
        link.incoming = frame.left(10);
        session.tick();
        link.incoming = frame.mid(10);
        QTRY_COMPARE_WITH_TIMEOUT(frames, 1, 2 * testTiming().tickMs);
        QVERIFY(!session.open(QStringLiteral("/dev/fake")));
        QCOMPARE(session.tickTimer().interval(), LinkTiming{}.tickMs);
    }

    // The README's table of timeouts states the program's own values.
    void theReadmeStatesTheTimeouts() {
        const LinkTiming defaults;
        const QMap<QString, std::int64_t> expected{
            {QStringLiteral("tickMs"), defaults.tickMs},
            {QStringLiteral("framePollMs"), defaults.framePollMs},
            {QStringLiteral("frameBoundMs"), defaults.frameBoundMs},
            {QStringLiteral("answerWaitMs"), defaults.answerWaitMs},
        };
        QCOMPARE(readmeTimeouts(), expected);
    }
};

QTEST_GUILESS_MAIN(TestLinkSession)
#include "tst_link_session.moc"
