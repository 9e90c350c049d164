// The programming run driven by a script: received bytes cut anywhere into timer ticks, clicks
// on the enabled toolbar commands, clock jumps, a port that fails or refuses to open, editor
// verdicts. After every tick and click the run must be in a state of its table, and nothing
// but the two replies to an announcement and complete write frames may reach the link.
//
// Script: a sequence of operations, each an opcode byte and its operands:
//   0 n bytes...  bytes arrive (n of them)          4 t image...  a whole read frame arrives
//   1             a tick 500 ms later               5 l           a short message arrives
//   2 k           a click on command k (if enabled) 6             the port stops working
//   3 d           a tick d * 50 ms later            7 f           editor, port and backup
//                                                                 verdicts, an editor check

#include "common/fake_link.h"
#include "common/sample_images.h"
#include "core/image/config_assembler.h"
#include "core/run/programming_run.h"
#include "fuzz_checks.h"

#include <QCoreApplication>

using namespace selvana;
using namespace selvana::fuzz;
using namespace selvana::testing;

namespace {

const Command kCommands[] = {Command::Load, Command::Save, Command::Reti, Command::End,
                             Command::Config};

class Link : public FakeSerialLink {
public:
    std::optional<PortError> open(const QString& device) override {
        if (device.isEmpty())
            return PortError{PortError::Kind::NoPort, device, QStringLiteral("nessuna porta")};
        failure_.reset();
        return FakeSerialLink::open(device);
    }
};

// The window's part: the record assembled for real, and the port window choosing what the
// script says.
class Host : public FakeRunHost {
public:
    Host(ProgramState& state, Script& script) : state_(state), script_(script) {}

    // Covering the editor takes the focus from its boxes, whose checks may turn SAVE on.
    void showPreparePanel() override {
        FakeRunHost::showPreparePanel();
        if (checksOnCover && run)
            run->offerSave(true);
    }
    std::optional<FieldError> collectConfiguration() override {
        if (collectError)
            return collectError;
        return assembleSaveImage(state_.record, state_.ConfigImage, state_.SaveImage);
    }
    void runPortWindow() override {
        state_.PortNumber = static_cast<std::int16_t>(script_.byte() % 6) - 1;
    }
    QString deviceForPort(int portNumber) override {
        return portNumber >= 1 && portNumber <= 4 ? QStringLiteral("/dev/fuzz%1").arg(portNumber)
                                                  : QString();
    }

    ProgrammingRun* run = nullptr;
    bool checksOnCover = false;

private:
    ProgramState& state_;
    Script& script_;
};

struct Rig {
    Script& in;
    ProgramState state;
    Link link;
    Host host{state, in};
    ProgrammingRun run{state, link, host};
    std::int64_t clock = 1000;
    bool refuseOpen = false;
    bool backupFails = false;
    bool readSinceAnnouncement = false; // the connected peripheral's frame has been shown
    bool writeAwaiting = false;         // a write frame went out and no answer came yet
    bool failurePending = false;        // the port failed and no tick or click has seen it
    std::int64_t writeSentAt = 0;

    explicit Rig(Script& script) : in(script) {
        host.run = &run;
        host.session = &state;
        host.logCalls = false;
        link.logOpens = false;
        QObject::connect(&run, &ProgrammingRun::framePresented,
                         [this] { readSinceAnnouncement = true; });
        run.session().setClock([this] { return clock; });
        run.session().setBackup([this](const LinkSession::ReadConfiguration&, QString*) {
            return backupFails ? std::optional<FileError>(FileError{}) : std::nullopt;
        });
        state.PortNumber = 1;
        // What the window's load handler does.
        run.showIdleToolbar();
        host.showPresentationPanel();
    }

    void tick(std::int64_t ms) {
        clock += ms;
        if (!run.tmrClock().isActive())
            return; // a stopped timer does not fire
        const qsizetype before = link.writes.size();
        const QString promptBefore = host.prompt;
        run.tmrClock_Timer();
        const bool announced = link.writes.size() > before;
        if (announced)
            readSinceAnnouncement = false; // an announcement was answered
        checkWrites(before, false);
        failurePending = false;
        checkState("tick");
        if (host.prompt != promptBefore && host.prompt == ProgrammingRun::promptWritten())
            FUZZ_CHECK(writeAwaiting, "success reported without a write awaiting its answer");
        if (host.prompt == ProgrammingRun::promptWritten() ||
            host.prompt == ProgrammingRun::promptRefused() || !link.isOpen())
            writeAwaiting = false;
        if (writeAwaiting) {
            const bool late = clock - writeSentAt >= LinkTiming{}.answerWaitMs;
            const bool told = promptBefore == ProgrammingRun::promptNoAnswer();
            // A restart instead of an answer is told at once, unless the outcome was already
            // told unknown; the end of the answer wait is told at the first tick after it.
            const QString expected = told        ? ProgrammingRun::promptNoAnswer()
                                     : announced ? ProgrammingRun::promptRestarted()
                                     : late      ? ProgrammingRun::promptNoAnswer()
                                                 : ProgrammingRun::promptSave();
            FUZZ_CHECK(host.prompt == expected, "while writing, %lld ms: %s",
                       static_cast<long long>(clock - writeSentAt), qPrintable(host.prompt));
            if (announced)
                writeAwaiting = false; // the answer can no longer come
        }
    }

    // Returns false once the program has ended.
    bool click(Command command) {
        if (!host.enabledCommands.value(command))
            return true; // a disabled button cannot be clicked
        const bool sendable = run.configurationRead();
        const qsizetype before = link.writes.size();
        link.refuseOpen = refuseOpen;
        run.tlbMain_ButtonClick(command);
        if (host.ended)
            return false;
        failurePending = false;
        const bool wrote = link.writes.size() > before;
        if (wrote)
            FUZZ_CHECK(command == Command::Save && sendable && readSinceAnnouncement,
                       "command %d wrote to a peripheral whose configuration was not read",
                       int(command));
        checkWrites(before, true);
        if (command == Command::Load)
            readSinceAnnouncement = false;
        writeAwaiting = wrote || (writeAwaiting && link.isOpen() && command != Command::End);
        if (wrote)
            writeSentAt = clock;
        checkState("a click");
        return true;
    }

    // Replies to an announcement come in pairs during a tick; a write frame only from SAVE.
    void checkWrites(qsizetype from, bool byClick) {
        const QList<QByteArray> added = link.writes.mid(from);
        for (qsizetype i = 0; i < added.size(); ++i) {
            const QByteArray& w = added[i];
            if (byClick) {
                FUZZ_CHECK(added.size() == 1, "a click wrote %d times", int(added.size()));
                checkWriteFrame(w, state.ConfigImage);
                FUZZ_CHECK(w == buildWriteFrame(state.SaveImage), "not the assembled image");
            } else if (i % 2 == 0) {
                FUZZ_CHECK(w == "\nA\r", "tick wrote %s", w.toHex(' ').constData());
            } else {
                FUZZ_CHECK(w == "\nX\r", "tick wrote %s", w.toHex(' ').constData());
            }
        }
        FUZZ_CHECK(byClick || added.size() % 2 == 0, "reply without request");
        link.writes.clear();
    }

    void checkState(const char* after) {
        const QString commands = host.commands();
        const bool open = link.isOpen();
        const bool running = run.tmrClock().isActive();
        const bool closedStopped = !open && !running;
        const bool openRunning = open && running;
        const bool reading = run.lastCommand() == Command::Load;
        const bool writing = run.lastCommand() == Command::Save;
        bool known = false;
        if (commands == QLatin1String("00011"))
            known = closedStopped && state.PortNumber < 1; // idle, no port
        else if (commands == QLatin1String("10111"))
            known = closedStopped && state.PortNumber >= 1; // idle
        else if (commands == QLatin1String("10110"))
            known = closedStopped && writing; // written
        else if (commands == QLatin1String("01010"))
            known = openRunning && reading; // configuration shown
        else if (commands == QLatin1String("00010"))
            // waiting, shown but not writable, writing, refused; or the networks screen
            known = (openRunning && (reading || writing)) || (closedStopped && host.networksPanel);
        FUZZ_CHECK(known, "after %s: commands %s, port %s, timer %s, port number %d", after,
                   qPrintable(commands), open ? "open" : "closed", running ? "running" : "stopped",
                   state.PortNumber);
        FUZZ_CHECK(!open || run.tmrClock().interval() == LinkTiming{}.tickMs, "tick interval");
        FUZZ_CHECK(!host.enabledCommands.value(Command::Save) ||
                       (run.configurationRead() && readSinceAnnouncement),
                   "SAVE offered before the configuration was read");
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv); // timers need an event dispatcher
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool trace = qEnvironmentVariableIsSet("FUZZ_TRACE"); // to read a finding
    Script in(data, size);
    Rig r(in);
    while (!in.atEnd()) {
        const int op = in.byte() % 8;
        if (trace)
            std::fprintf(stderr, "op %d, state %s, prompt %s\n", op, qPrintable(r.host.commands()),
                         qPrintable(r.host.prompt.left(30)));
        switch (op) {
        case 0:
            r.link.incoming += in.take(in.byte());
            break;
        case 1:
            r.tick(LinkTiming{}.tickMs);
            break;
        case 2:
            if (!r.click(kCommands[in.byte() % 5]))
                return 0;
            break;
        case 3:
            r.tick(in.byte() * 50);
            break;
        case 4: {
            const std::uint8_t type = in.byte();
            r.link.incoming += testing::readFrame(in.image(), type & 1 ? 'D' : 'X');
            break;
        }
        case 5: {
            static const char letters[] = "WKANXDP";
            const std::uint8_t l = in.byte();
            r.link.incoming += QByteArray("\n") + letters[l % 7] + (l & 8 ? "\r" : "");
            break;
        }
        case 6:
            if (r.link.isOpen()) {
                r.link.failure_ = PortError{PortError::Kind::Lost, QStringLiteral("/dev/fuzz"),
                                            QStringLiteral("interrotto")};
                r.link.close(); // as the serial layer does at the first read error
                r.link.incoming.clear();
                r.failurePending = true;
            }
            break;
        case 7: {
            const std::uint8_t f = in.byte();
            r.host.presentAllowsSave = f & 1;
            r.refuseOpen = f & 2;
            r.host.checksOnCover = f & 32;
            r.backupFails = f & 64;
            if (f & 4)
                r.host.collectError = FieldError::outOfRange(QStringLiteral("txtTempoSirena"),
                                                             QStringLiteral("Tempo Sirena (s)"));
            else
                r.host.collectError.reset();
            if (f & 8) {
                // An editor check (a box losing the focus) turns SAVE on or off at any time.
                r.run.offerSave(f & 16);
                if (!r.failurePending)
                    r.checkState("an editor check");
            }
            break;
        }
        }
    }
    return 0;
}
