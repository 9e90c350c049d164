#include "core/link/link_session.h"

#include "core/files/backup_store.h"
#include "core/image/config_decoder.h"
#include "core/link/frame_codec.h"

#include <QDateTime>

namespace selvana {

namespace {

std::optional<FileError> backupToUserFolder(const LinkSession::ReadConfiguration& read,
                                            QString* path) {
    return BackupStore().save(read.image, read.firmwareM6, read.bandaUHF, read.serialNumber,
                              QDateTime::currentDateTime(), path);
}

PortError unsentError(const QString& device) {
    return {PortError::Kind::Lost, device,
            QStringLiteral("Impossibile inviare la configurazione: la porta seriale non è più "
                           "disponibile. Nulla è stato scritto: verificare il collegamento e "
                           "ripetere la lettura.")};
}

} // namespace

LinkSession::LinkSession(SerialLink& link, const LinkTiming& timing, QObject* parent)
    : QObject(parent), link_(link), timing_(timing), backup_(backupToUserFolder) {
    connect(&tick_, &QTimer::timeout, this, &LinkSession::tick);
    connect(&framePoll_, &QTimer::timeout, this, &LinkSession::poll);
    elapsed_.start();
    clock_ = [this] { return elapsed_.elapsed(); };
}

std::optional<PortError> LinkSession::open(const QString& device) {
    close();
    if (auto error = link_.open(device))
        return error;
    device_ = device;
    receiver_.setFrameBound(timing_.frameBoundMs);
    tick_.setInterval(timing_.tickMs);
    framePoll_.setInterval(timing_.framePollMs);
    limitMs_ = 0;
    setPhase(Phase::Waiting, 0);
    tick_.start();
    return std::nullopt;
}

void LinkSession::close() {
    tick_.stop();
    framePoll_.stop();
    if (link_.isOpen())
        link_.close();
    receiver_.reset();
    readConfiguration_.reset();
    setPhase(Phase::Closed, 0);
}

std::optional<PortError> LinkSession::portFailure() const {
    if (phase_ == Phase::Closed)
        return std::nullopt;
    if (auto failure = link_.failure())
        return failure;
    if (!link_.isOpen())
        return lostPortError(device_);
    return std::nullopt;
}

void LinkSession::setPhase(Phase phase, std::int64_t deadlineMs) {
    phase_ = phase;
    deadlineMs_ = deadlineMs;
}

void LinkSession::restartWait() {
    setPhase(Phase::Waiting, limitMs_ > 0 ? now() + limitMs_ : 0);
}

void LinkSession::awaitPeripheral(std::int64_t limitMs) {
    limitMs_ = limitMs;
    if (phase_ == Phase::Closed || phase_ == Phase::FrameAsked)
        return;
    restartWait();
}

bool LinkSession::write(const Image& saveImage) {
    if (!readConfiguration_ || phase_ == Phase::Closed)
        return false;
    if (const auto failure = portFailure()) {
        fail(*failure);
        return false;
    }
    backupPath_.clear();
    if (const auto error = backup_(*readConfiguration_, &backupPath_)) {
        backupPath_.clear();
        emit backupFailed(*error);
        return false;
    }
    // One write per configuration read: the next needs the peripheral read again.
    readConfiguration_.reset();
    if (!link_.write(buildWriteFrame(saveImage))) {
        fail(unsentError(device_));
        return false;
    }
    setPhase(Phase::Writing, now() + timing_.answerWaitMs);
    return true;
}

void LinkSession::fail(const PortError& error) {
    const bool duringWrite = phase_ == Phase::Writing || phase_ == Phase::AnswerOverdue;
    close();
    emit linkFailed(error, duringWrite);
}

void LinkSession::tick() {
    if (phase_ == Phase::Closed)
        return;
    emit ticked();
    poll();
}

void LinkSession::poll() {
    if (phase_ == Phase::Closed)
        return;
    if (const auto failure = portFailure()) {
        fail(*failure);
        return;
    }
    QByteArray input;
    if (link_.bytesAvailable() > 0)
        input = link_.readAll();
    const LinkMessage message = receiver_.feed(input, now());
    if (message.kind == LinkMessage::Kind::Announce) {
        link_.write(announcementReply());
        link_.write(configurationRequest());
    }
    updateFramePoll();
    // A handler may close the session or start another wait: a signal ends the poll.
    if (!handleMessage(message))
        checkDeadline();
}

void LinkSession::updateFramePoll() {
    if (phase_ != Phase::Closed && receiver_.waitingForFrame()) {
        if (!framePoll_.isActive())
            framePoll_.start();
    } else {
        framePoll_.stop();
    }
}

bool LinkSession::handleMessage(const LinkMessage& message) {
    using Kind = LinkMessage::Kind;
    switch (message.kind) {
    case Kind::Announce: {
        firmwareM6_ = message.letter == 'K' ? 1 : 0;
        // The peripheral restarted, or another one is connected: what was read is not its own.
        readConfiguration_.reset();
        const bool wasWriting = phase_ == Phase::Writing;
        setPhase(Phase::FrameAsked, now() + timing_.frameBoundMs);
        if (wasWriting)
            emit answered(Answer::Restarted);
        else
            emit announced(firmwareM6_);
        return true;
    }
    case Kind::Frame: {
        // A frame nobody asked for says nothing of the firmware it came from.
        if (phase_ != Phase::FrameAsked)
            return false;
        ReadConfiguration read;
        ConfigRecord record;
        if (!Analyze(message.bytes, bandLetter_, read.image, record))
            return false;
        read.firmwareM6 = firmwareM6_;
        read.bandaUHF = record.BandaUHF;
        read.serialNumber = record.SerialNumber;
        readConfiguration_ = read;
        setPhase(Phase::Waiting, 0);
        emit configurationRead(read.image, firmwareM6_);
        return true;
    }
    case Kind::Acknowledge:
    case Kind::Refuse:
        // A stray answer answers nothing.
        if (phase_ != Phase::Writing && phase_ != Phase::AnswerOverdue)
            return false;
        setPhase(Phase::Waiting, 0);
        emit answered(message.kind == Kind::Acknowledge ? Answer::Accepted : Answer::Refused);
        return true;
    case Kind::Expired:
        if (phase_ != Phase::FrameAsked)
            return false;
        restartWait();
        emit frameIncomplete();
        return true;
    default:
        return false;
    }
}

void LinkSession::checkDeadline() {
    if (deadlineMs_ == 0 || now() < deadlineMs_)
        return;
    switch (phase_) {
    case Phase::Waiting:
        setPhase(Phase::Waiting, 0);
        emit waitExpired();
        return;
    case Phase::FrameAsked:
        // A frame under way has the receiver's own bound from its first byte.
        if (!receiver_.waitingForFrame()) {
            restartWait();
            emit frameIncomplete();
        }
        return;
    case Phase::Writing:
        setPhase(Phase::AnswerOverdue, 0);
        emit answered(Answer::None);
        return;
    default:
        return;
    }
}

} // namespace selvana
