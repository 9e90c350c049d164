#include "peripheral_session.h"

#include "core/link/frame_codec.h"
#include "serial/port_devices.h"

namespace selvana::cli {

PeripheralSession::PeripheralSession(SerialLink& link, QObject* parent)
    : QObject(parent), link_(link), exchange_(link) {
    tick_.setInterval(kTickMs);
    framePoll_.setInterval(kFramePollMs);
    connect(&tick_, &QTimer::timeout, this, &PeripheralSession::poll);
    connect(&framePoll_, &QTimer::timeout, this, &PeripheralSession::poll);
    elapsed_.start();
    clock_ = [this] { return elapsed_.elapsed(); };
}

std::optional<PortError> PeripheralSession::open(const QString& device) {
    close();
    if (auto error = link_.open(device))
        return error;
    device_ = device;
    exchange_.reset();
    phase_ = Phase::Idle;
    deadline_ = 0;
    tick_.start();
    return std::nullopt;
}

void PeripheralSession::close() {
    stopTimers();
    if (link_.isOpen())
        link_.close();
    phase_ = Phase::Closed;
    deadline_ = 0;
}

void PeripheralSession::stopTimers() {
    tick_.stop();
    framePoll_.stop();
}

void PeripheralSession::restartWait() {
    deadline_ = limitMs_ > 0 ? now() + limitMs_ : 0;
}

void PeripheralSession::awaitPeripheral(std::int64_t limitMs) {
    limitMs_ = limitMs;
    if (phase_ == Phase::Closed || phase_ == Phase::AwaitingFrame)
        return;
    phase_ = Phase::AwaitingPeripheral;
    restartWait();
}

bool PeripheralSession::write(const Image& saveImage) {
    if (phase_ == Phase::Closed || !link_.isOpen() || !exchange_.sendConfiguration(saveImage))
        return false;
    phase_ = Phase::AwaitingAnswer;
    deadline_ = now() + kAnswerWaitMs;
    return true;
}

void PeripheralSession::updateFramePoll() {
    if (phase_ != Phase::Closed && exchange_.waitingForFrame()) {
        if (!framePoll_.isActive())
            framePoll_.start();
    } else {
        framePoll_.stop();
    }
}

void PeripheralSession::poll() {
    if (phase_ == Phase::Closed)
        return;
    // Handlers below may close the session or start the next wait: each signal ends the poll.
    std::optional<PortError> failure = link_.failure();
    if (!failure && !link_.isOpen())
        failure = lostPortError(device_);
    if (failure) {
        close();
        emit linkFailed(*failure);
        return;
    }

    using Kind = LinkMessage::Kind;
    const LinkMessage message = exchange_.poll(now());
    updateFramePoll();
    switch (message.kind) {
    case Kind::Announce: {
        // The exchange has already asked for the configuration.
        firmwareM6_ = message.letter == 'K' ? 1 : 0;
        const Phase before = phase_;
        if (before == Phase::Idle)
            break;
        phase_ = Phase::AwaitingFrame;
        deadline_ = now() + kFrameWaitMs;
        if (before == Phase::AwaitingAnswer)
            emit answered(Answer::Restarted);
        else
            emit announced(firmwareM6_);
        return;
    }
    case Kind::Frame:
        if (phase_ == Phase::AwaitingFrame) {
            Image image{};
            ConfigRecord record;
            if (!Analyze(message.bytes, QString(), image, record))
                break;
            phase_ = Phase::Idle;
            deadline_ = 0;
            emit configurationRead(image, firmwareM6_);
            return;
        }
        break; // a frame nobody asked for in this session says nothing of the firmware
    case Kind::Acknowledge:
    case Kind::Refuse:
        if (phase_ == Phase::AwaitingAnswer) {
            phase_ = Phase::Idle;
            deadline_ = 0;
            emit answered(message.kind == Kind::Acknowledge ? Answer::Accepted : Answer::Refused);
            return;
        }
        break; // a stray answer is no answer to anything
    case Kind::Expired:
        if (phase_ == Phase::AwaitingFrame) {
            phase_ = Phase::AwaitingPeripheral;
            restartWait();
            emit frameIncomplete();
            return;
        }
        break;
    default:
        break;
    }

    if (deadline_ == 0 || now() < deadline_)
        return;
    switch (phase_) {
    case Phase::AwaitingPeripheral:
        phase_ = Phase::Idle;
        deadline_ = 0;
        emit waitExpired();
        return;
    case Phase::AwaitingFrame:
        // A frame under way gets the receiver's own time limit.
        if (!exchange_.waitingForFrame()) {
            phase_ = Phase::AwaitingPeripheral;
            restartWait();
            emit frameIncomplete();
        }
        return;
    case Phase::AwaitingAnswer:
        phase_ = Phase::Idle;
        deadline_ = 0;
        emit answered(Answer::None);
        return;
    default:
        return;
    }
}

} // namespace selvana::cli
