#pragma once

#include "core/link/link_session.h"
#include "core/run/run_host.h"
#include "core/session/program_state.h"

#include <QObject>

#include <optional>

namespace selvana {

// The window's presenter: its toolbar commands and what it shows of the session with a
// peripheral (prompts, panels, the toolbar's states), over the one link session.
class ProgrammingRun : public QObject {
    Q_OBJECT
public:
    static constexpr std::uint32_t kRed = 255;
    static constexpr std::uint32_t kBlinkMask = 0xC0C0C0;

    ProgrammingRun(ProgramState& state, SerialLink& link, RunHost& host, QObject* parent = nullptr);

    // The link's timing from the next "LOAD" on; the defaults unless a test sets others.
    void setTiming(const LinkTiming& timing) { session_.setTiming(timing); }

    void tlbMain_ButtonClick(Command command);
    void tmrClock_Timer() { session_.tick(); }

    // Nothing before the first click.
    std::optional<Command> lastCommand() const { return lastCommand_; }
    std::optional<Command> previousCommand() const { return previousCommand_; }
    QTimer& tmrClock() { return session_.tickTimer(); }
    bool portOpen() const { return session_.isOpen(); }
    LinkSession& session() { return session_; }

    // Whether the configuration shown may be written: the peripheral now connected has sent it
    // in this read, since it last announced itself, and nothing has been written to it since.
    // Until then the editor shows another configuration, or the answer to a write is awaited.
    bool configurationRead() const { return lastCommand_ == Command::Load && session_.mayWrite(); }

    // "Programmazione" is offered only where the editor allows the configuration shown and it
    // is the one read from the peripheral now connected; every change of it comes here.
    void offerSave(bool editorAllows);
    // The toolbar of the idle run, with or without a port.
    void showIdleToolbar();

    // Whether a write the peripheral takes is read back and compared with what was sent.
    void setReadBack(bool on) { readBack_ = on; }
    bool readBack() const { return readBack_; }

    // The link panel's captions.
    static QString promptLoad();
    static QString promptSave();
    static QString promptWritten();
    static QString promptRefused();
    static QString promptIncomplete();
    static QString promptNoAnswer();
    static QString promptRestarted();
    static QString promptWriteUnknown(); // added when the port is lost during a write

signals:
    void commandDone(selvana::Command command); // for tests and traces
    void framePresented();                      // a configuration frame was decoded and shown

private:
    void showToolbar(Toolbar state);
    void startLoad();
    void startSave();
    void endCommand();
    void idleAfterFailure(const QString& caption);
    void blink();
    void onAnnounced(std::uint8_t firmwareM6);
    void onConfiguration(const Image& image, std::uint8_t firmwareM6);
    void onFrameIncomplete();
    void onAnswer(LinkSession::Answer answer);
    void onBackupFailed(const FileError& error);
    void present(const Image* read = nullptr); // the record shown, or an image just read
    bool reading() const { return lastCommand_ == Command::Load; }
    void stayBeforeSave();
    void reportWrite(WriteOutcome outcome);
    void startReadBack();
    void endReadBack(const ReadBack& readBack);
    void abandonReadBack();
    void closeLink();

    ProgramState& state_;
    RunHost& host_;
    LinkSession session_;
    std::optional<Command> lastCommand_;
    std::optional<Command> previousCommand_;
    // A write went out: nothing reported yet, or only that no answer came.
    enum class WriteReport { None, Pending, Unknown };
    WriteReport writeReport_ = WriteReport::None;
    bool readBack_ = false;
    bool verifying_ = false;
    Image written_{}; // the image of the write being read back
};

} // namespace selvana
