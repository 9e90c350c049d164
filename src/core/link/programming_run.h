#pragma once

#include "core/link/peripheral_exchange.h"
#include "core/link/run_host.h"
#include "core/session/program_state.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace selvana {

// The toolbar commands and the timer-driven exchange with the peripheral.
class ProgrammingRun : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 500;
    static constexpr int kFramePollMs = 20;
    static constexpr std::uint32_t kRed = 255;
    static constexpr std::uint32_t kBlinkMask = 0xC0C0C0;
    // How long a write frame may go unanswered before the installer is told.
    static constexpr std::int64_t kWriteAnswerWaitMs = 5000;

    ProgrammingRun(ProgramState& state, SerialLink& link, RunHost& host, QObject* parent = nullptr);

    void tlbMain_ButtonClick(const QString& key);
    void tmrClock_Timer();

    const QString& lastCommand() const { return lastCommand_; }
    const QString& previousCommand() const { return previousCommand_; }
    QTimer& tmrClock() { return tmrClock_; }
    bool portOpen() const { return link_.isOpen(); }

    // Whether the configuration shown may be written: the peripheral now connected has sent it
    // since "LOAD" or since it last announced itself, and no write has gone to it since. Until
    // then the editor shows another configuration, or the answer to a write is awaited.
    bool configurationRead() const { return configurationRead_; }

    // Milliseconds for the frame wait; a steady clock unless a test or the fuzzer sets one.
    void setClock(std::function<std::int64_t()> clock) { clock_ = std::move(clock); }

    // The link panel's captions.
    static QString promptLoad();
    static QString promptSave();
    static QString promptWritten();
    static QString promptRefused();
    static QString promptIncomplete();
    static QString promptNoAnswer();
    static QString promptWriteUnknown(); // added when the port is lost during a write

signals:
    void commandDone(const QString& key); // for tests and traces
    void framePresented();                // a configuration frame was decoded and shown

private:
    void setCommands(bool load, bool save, bool reti, bool end, bool config);
    void startLoad();
    void startSave();
    void endCommand();
    void idleAfterFailure(const QString& caption);
    void pollLink(bool blink);
    void handle(const LinkMessage& message);
    void present();
    std::int64_t now() const { return clock_(); }

    ProgramState& state_;
    SerialLink& link_;
    RunHost& host_;
    PeripheralExchange exchange_;
    QTimer tmrClock_;
    QTimer framePoll_; // while a frame is arriving, so the rest is taken without waiting a tick
    QElapsedTimer elapsed_;
    std::function<std::int64_t()> clock_;
    bool configurationRead_ = false;
    bool writeInFlight_ = false; // a write frame was sent and not answered yet
    bool noAnswerTold_ = false;
    std::int64_t writeSentMs_ = 0;
    QString lastCommand_;
    QString previousCommand_;
};

} // namespace selvana
