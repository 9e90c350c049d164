#pragma once

#include "core/files/file_error.h"
#include "core/image/config_record.h"
#include "core/link/link_receiver.h"
#include "core/link/link_timing.h"
#include "core/link/serial_link.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>

namespace selvana {

// One session with a peripheral over a serial port, for every front end. It owns the port, the
// tick and the frame poll, the clock and every deadline; it answers an announcement with the
// request for the configuration, keeps a copy of what the peripheral held before the first
// write to it (nothing is written without that copy), sends one write per configuration read,
// and gives each write its verdict. The window and the command line only map its signals to
// what they show.
class LinkSession : public QObject {
    Q_OBJECT
public:
    enum class Phase {
        Closed,
        Waiting,       // open; announcements are awaited, within a limit if one was given
        FrameAsked,    // announced; the configuration was asked for
        Writing,       // a write frame was sent; its answer is awaited
        AnswerOverdue, // no answer within the wait; a late one still counts
    };
    enum class Answer {
        Accepted,  // "A"
        Refused,   // "N"
        None,      // nothing within the answer wait: the outcome is unknown
        Restarted, // the peripheral announced itself instead of answering: outcome unknown
    };

    // What the peripheral held, as it sent it: kept until the first write to it.
    struct ReadConfiguration {
        Image image{};
        std::uint8_t firmwareM6 = 0;
        std::uint8_t bandaUHF = 0;
        QString serialNumber;
    };
    // Saves the copy; returns why it could not, or sets `path` to the file made.
    using Backup = std::function<std::optional<FileError>(const ReadConfiguration&, QString* path)>;

    explicit LinkSession(SerialLink& link, const LinkTiming& timing = {},
                         QObject* parent = nullptr);

    // Takes effect at the next open.
    void setTiming(const LinkTiming& timing) { timing_ = timing; }
    const LinkTiming& timing() const { return timing_; }
    // Milliseconds; a steady clock unless a test or the fuzzer sets one.
    void setClock(std::function<std::int64_t()> clock) { clock_ = std::move(clock); }
    // The band letter the program was started with decides the band marker of the copy.
    void setBandLetter(const QString& letter) { bandLetter_ = letter; }
    // The copy goes to the backup folder of the user unless another place is set.
    void setBackup(Backup backup) { backup_ = std::move(backup); }

    std::optional<PortError> open(const QString& device);
    void close();
    bool isOpen() const { return phase_ != Phase::Closed; }
    Phase phase() const { return phase_; }
    const QString& device() const { return device_; }
    // Why the open port no longer works, looked up now; nothing while it works.
    std::optional<PortError> portFailure() const;

    // Waits for a peripheral to announce itself; limitMs 0 waits without limit. A frame already
    // asked for (the peripheral restarted instead of answering) is still taken.
    void awaitPeripheral(std::int64_t limitMs);

    // Whether a configuration was read since the last announcement and nothing was written
    // since: only then may a write go out.
    bool mayWrite() const { return readConfiguration_.has_value(); }
    // Keeps the copy of the configuration read (the first time), then sends the write frame of
    // the assembled image. When it returns false nothing was sent, and backupFailed or
    // linkFailed said why (or nothing was read to write over).
    bool write(const Image& saveImage);
    // The copy made before the last write; empty when none was needed or made.
    const QString& backupPath() const { return backupPath_; }
    // The firmware of the last announcement: 1 for "K" (M6 and later), 0 for "W".
    std::uint8_t firmwareM6() const { return firmwareM6_; }

    // One poll, as every tick does; public for tests that move their own clock.
    void tick();
    QTimer& tickTimer() { return tick_; }

    static QByteArray announcementReply() { return QByteArrayLiteral("\nA\r"); }
    static QByteArray configurationRequest() { return QByteArrayLiteral("\nX\r"); }

signals:
    void ticked(); // before the poll of each tick, not of the frame poll
    void announced(std::uint8_t firmwareM6);
    void configurationRead(const selvana::Image& image, std::uint8_t firmwareM6);
    void frameIncomplete(); // the frame asked for did not come whole: RESET again
    void waitExpired();     // no peripheral within the limit
    void answered(selvana::LinkSession::Answer answer);
    // The session is closed. duringWrite: the answer to a write was awaited, so whether the
    // peripheral took it is unknown.
    void linkFailed(const selvana::PortError& error, bool duringWrite);
    void backupFailed(const selvana::FileError& error);

private:
    void poll();
    bool handleMessage(const LinkMessage& message); // true when it signalled
    void checkDeadline();
    void fail(const PortError& error);
    void setPhase(Phase phase, std::int64_t deadlineMs);
    void restartWait();
    void updateFramePoll();
    std::int64_t now() const { return clock_(); }

    SerialLink& link_;
    LinkTiming timing_;
    LinkReceiver receiver_;
    QTimer tick_;
    QTimer framePoll_;
    QElapsedTimer elapsed_;
    std::function<std::int64_t()> clock_;
    Backup backup_;
    QString bandLetter_;
    QString device_;
    Phase phase_ = Phase::Closed;
    std::int64_t deadlineMs_ = 0; // of the phase; 0 for none
    std::int64_t limitMs_ = 0;    // of the wait for a peripheral; 0 for none
    std::uint8_t firmwareM6_ = 0;
    std::optional<ReadConfiguration> readConfiguration_;
    QString backupPath_;
};

} // namespace selvana
