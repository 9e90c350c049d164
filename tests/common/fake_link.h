#pragma once

#include "core/link/serial_link.h"
#include "core/run/programming_run.h"
#include "core/run/run_host.h"
#include "core/session/program_state.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QStringList>

namespace selvana::testing {

// A serial link in memory: the test queues what the peripheral sends and reads what was written.
class FakeSerialLink : public SerialLink {
public:
    std::optional<PortError> open(const QString& device) override {
        if (logOpens)
            openedDevices << device;
        if (refuseOpen)
            return PortError{PortError::Kind::Absent, device, QStringLiteral("assente")};
        open_ = true;
        return std::nullopt;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    qint64 bytesAvailable() override { return incoming.size(); }
    QByteArray readAll() override {
        QByteArray all = incoming;
        incoming.clear();
        return all;
    }
    bool write(const QByteArray& bytes) override {
        if (!open_)
            return false;
        writes << bytes;
        return true;
    }
    std::optional<PortError> failure() const override { return failure_; }

    QByteArray incoming;
    QList<QByteArray> writes;
    QStringList openedDevices;
    bool logOpens = true;
    bool refuseOpen = false;
    std::optional<PortError> failure_;

private:
    bool open_ = false;
};

// A window stand-in that records what the run asked of it.
class FakeRunHost : public RunHost {
public:
    void setCommandEnabled(Command command, bool enabled) override {
        enabledCommands[command] = enabled;
    }
    void setPrompt(const QString& caption) override { prompt = caption; }
    std::uint32_t promptColour() const override { return colour; }
    void setPromptColour(std::uint32_t bgr) override { colour = bgr; }
    void showPreparePanel() override { preparePanel = true; }
    void hidePreparePanel() override { preparePanel = false; }
    void showPresentationPanel() override { presentationPanel = true; }
    void hidePresentationPanel() override { presentationPanel = false; }
    void showNetworksPanel() override { networksPanel = true; }
    void hideNetworksPanel() override { networksPanel = false; }
    void writeNetworks() override { log(QStringLiteral("ScriviReti")); }
    void takeNetworksFromGrid() override { log(QStringLiteral("GetReti")); }
    void reloadNetworks() override { log(QStringLiteral("LoadReti")); }
    void fillCombos() override { log(QStringLiteral("FillCombos")); }
    bool presentConfiguration() override {
        log(QStringLiteral("DisplayData"));
        return presentAllowsSave;
    }
    // The editor's own way of taking an image read, without the editor.
    bool presentRead(const Image& image) override {
        if (session)
            session->takeRead(image);
        return presentConfiguration();
    }
    std::optional<FieldError> collectConfiguration() override {
        log(QStringLiteral("CopiaDatiSave"));
        return collectError;
    }
    void reportFieldError(const FieldError& error) override {
        if (logCalls)
            reported << error.control;
    }
    void runPortWindow() override {
        log(QStringLiteral("frmConfig"));
        if (portWindow)
            portWindow();
    }
    QString deviceForPort(int portNumber) override {
        return QStringLiteral("/dev/fake%1").arg(portNumber);
    }
    void endProgram() override { ended = true; }
    bool approveWrite() override {
        ++approvals;
        return approve;
    }
    void writeEnded(WriteOutcome outcome) override { outcomes << outcome; }

    // LOAD/SAVE/RETI/END/CONFIG as a string of 0 and 1, the way the state table reads.
    QString commands() const {
        QString s;
        for (Command c :
             {Command::Load, Command::Save, Command::Reti, Command::End, Command::Config})
            s += enabledCommands.value(c) ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }

    SessionData* session = nullptr; // where presentRead puts what was read
    QMap<Command, bool> enabledCommands;
    QString prompt;
    std::uint32_t colour = 0;
    bool preparePanel = false;
    bool presentationPanel = false;
    bool networksPanel = false;
    bool presentAllowsSave = true;
    bool ended = false;
    bool logCalls = true; // the fuzzer, which makes thousands, does without
    QStringList calls;
    QStringList reported;
    std::optional<FieldError> collectError;
    std::function<void()> portWindow;
    bool approve = true; // what approveWrite answers
    int approvals = 0;
    QList<WriteOutcome> outcomes; // writeEnded, in order

private:
    void log(const QString& call) {
        if (logCalls)
            calls << call;
    }
};

// The programming run on an in-memory link and a stand-in window, with a clock the test moves
// and the default timing; backups go to a folder of the test.
struct RunRig {
    ProgramState state;
    FakeSerialLink link;
    FakeRunHost host;
    ProgrammingRun run{state, link, host};
    std::int64_t clock = 0;
    QStringList backups;                    // serial numbers kept, in order
    std::optional<FileError> backupFailure; // what the next backups meet

    RunRig() {
        host.session = &state;
        state.PortNumber = 1;
        run.session().setClock([this] { return clock; });
        run.session().setBackup([this](const LinkSession::ReadConfiguration& read, QString*) {
            if (backupFailure)
                return backupFailure;
            backups << read.serialNumber;
            return std::optional<FileError>();
        });
    }
    // One timer tick, ms after the last one, with what arrived meanwhile.
    void tick(const QByteArray& input = {}, std::int64_t ms = LinkTiming{}.tickMs) {
        clock += ms;
        link.incoming += input;
        run.tmrClock_Timer();
    }
    void click(Command command) { run.tlbMain_ButtonClick(command); }
};

} // namespace selvana::testing
