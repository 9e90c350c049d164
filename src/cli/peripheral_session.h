#pragma once

#include "core/image/config_record.h"
#include "core/link/peripheral_exchange.h"
#include "core/link/serial_link.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace selvana::cli {

// The command line's side of the exchange with a peripheral: the window's exchange and timing
// (a poll every 500 ms, every 20 ms while a frame is arriving) with time limits around it.
// It waits for an announcement and the configuration frame that follows it, and for the answer
// to a write; everything else that arrives is dropped.
class PeripheralSession : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 500;
    static constexpr int kFramePollMs = 20;
    // After an announcement the frame is asked for at once; if it has not begun by then, the
    // peripheral is asked for a new RESET.
    static constexpr std::int64_t kFrameWaitMs = 5000;
    // The answer to a write; afterwards its outcome is unknown.
    static constexpr std::int64_t kAnswerWaitMs = 10000;

    enum class Phase {
        Closed,
        Idle, // port open, nothing awaited
        AwaitingPeripheral,
        AwaitingFrame,  // announced, the frame was asked for
        AwaitingAnswer, // a write frame was sent
    };
    enum class Answer {
        Accepted,  // "A"
        Refused,   // "N"
        None,      // nothing within kAnswerWaitMs
        Restarted, // the peripheral announced itself again instead of answering
    };

    explicit PeripheralSession(SerialLink& link, QObject* parent = nullptr);

    std::optional<PortError> open(const QString& device);
    void close();
    Phase phase() const { return phase_; }

    // Waits for a peripheral's announcement and configuration; limitMs 0 waits without limit.
    // A frame already asked for (the peripheral restarted instead of answering) is kept.
    void awaitPeripheral(std::int64_t limitMs);
    // Sends the write frame of an assembled image and waits for the answer; false when the
    // frame could not be handed to the port.
    bool write(const Image& saveImage);

    // One poll of the link, as each timer tick does; public for tests.
    void poll();
    void setClock(std::function<std::int64_t()> clock) { clock_ = std::move(clock); }

signals:
    void announced(std::uint8_t firmwareM6);
    void configurationRead(const selvana::Image& image, std::uint8_t firmwareM6);
    void frameIncomplete(); // the frame did not come whole: a new RESET is needed
    void waitExpired();     // no peripheral within the limit
    void answered(selvana::cli::PeripheralSession::Answer answer);
    void linkFailed(const selvana::PortError& error);

private:
    std::int64_t now() const { return clock_(); }
    void restartWait();
    void stopTimers();
    void updateFramePoll();

    SerialLink& link_;
    QString device_;
    PeripheralExchange exchange_;
    QTimer tick_;
    QTimer framePoll_;
    QElapsedTimer elapsed_;
    std::function<std::int64_t()> clock_;
    Phase phase_ = Phase::Closed;
    std::int64_t limitMs_ = 0;
    std::int64_t deadline_ = 0; // of the phase; 0 = none
    std::uint8_t firmwareM6_ = 0;
};

} // namespace selvana::cli
