#include "peripheral_simulator.h"

#include "core/image/checksum.h"
#include "core/image/memory_map.h"
#include "core/link/frame_codec.h"
#include "simulator/pty_pair.h"

#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>

namespace selvana::sim {

namespace {

constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';
constexpr int kShortMessageSize = 3; // line feed, letter, carriage return
constexpr int kTrailingZeros = 4;    // in a write frame, before its carriage return

QByteArray shortMessage(char letter) {
    return QByteArray(1, kLineFeed) + letter + kCarriageReturn;
}

} // namespace

PeripheralSimulator::PeripheralSimulator(PtyPair& pty, const SimulatorOptions& options,
                                         QObject* parent)
    : QObject(parent), pty_(pty), options_(options), serials_(options.serials),
      random_(options.seed != 0 ? QRandomGenerator(options.seed)
                                : QRandomGenerator::securelySeeded()) {
    if (serials_.isEmpty())
        serials_.append(sim::serialNumber(options_.image));
    connectPeripheral(0);

    txTimer_.setSingleShot(true);
    connect(&txTimer_, &QTimer::timeout, this, &PeripheralSimulator::pump);
    incompleteTimer_.setSingleShot(true);
    incompleteTimer_.setInterval(options_.incompleteTimeoutMs);
    connect(&incompleteTimer_, &QTimer::timeout, this, &PeripheralSimulator::dropIncomplete);
    connect(&autoResetTimer_, &QTimer::timeout, this, &PeripheralSimulator::autoReset);
    if (options_.autoResetMs > 0)
        autoResetTimer_.start(options_.autoResetMs);
    garbageTimer_.setSingleShot(true);
    connect(&garbageTimer_, &QTimer::timeout, this, &PeripheralSimulator::sendGarbage);

    if (!pty_.isOpen()) {
        state_ = State::Gone;
        return;
    }
    readNotifier_ = new QSocketNotifier(pty_.masterFd(), QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &PeripheralSimulator::readMaster);
    writeNotifier_ = new QSocketNotifier(pty_.masterFd(), QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &PeripheralSimulator::writePending);
    if (pty_.peerWatchFd() >= 0) {
        peerNotifier_ = new QSocketNotifier(pty_.peerWatchFd(), QSocketNotifier::Read, this);
        connect(peerNotifier_, &QSocketNotifier::activated, this,
                &PeripheralSimulator::updatePeers);
    }
    peers_ = pty_.peerCount();
    armGarbage();
}

PeripheralSimulator::~PeripheralSimulator() = default;

QString PeripheralSimulator::serialNumber() const {
    return serialNumberOf(image_);
}

QString PeripheralSimulator::stateName(State state) {
    switch (state) {
    case State::Idle:
        return QStringLiteral("waiting for RESET");
    case State::Announced:
        return QStringLiteral("announced, waiting for the request");
    case State::FrameSent:
        return QStringLiteral("configuration sent, waiting for a write");
    case State::Gone:
        return QStringLiteral("gone");
    }
    return {};
}

QByteArray PeripheralSimulator::readFrame(const Image& image, char type) {
    const int length = type == 'D' ? frame::kFrameLengthD : frame::kFrameLengthX;
    QByteArray out;
    out.reserve(length);
    out.append(kLineFeed);
    out.append(type);
    for (int k = 1; k <= map::kImageSize; ++k)
        out.append(static_cast<char>(image[k]));
    out.append(length - 1 - out.size(), '\0');
    out.append(kCarriageReturn);
    return out;
}

QString PeripheralSimulator::writeFrameProblem(const QByteArray& frame) {
    if (frame.size() != frame::kWriteFrameSize)
        return QStringLiteral("length %1 instead of %2")
            .arg(frame.size())
            .arg(frame::kWriteFrameSize);
    if (frame[0] != kLineFeed || frame[1] != 'P')
        return QStringLiteral("not a write frame");
    const int zeros = frame::kImageStart + map::kImageSize;
    for (int i = zeros; i < zeros + kTrailingZeros; ++i) {
        if (frame[i] != '\0')
            return QStringLiteral("byte %1 is not zero").arg(i + 1);
    }
    if (frame[frame::kWriteFrameSize - 1] != kCarriageReturn)
        return QStringLiteral("no carriage return at the end");
    Image image{};
    for (int k = 1; k <= map::kImageSize; ++k)
        image[k] = static_cast<std::uint8_t>(frame[frame::kImageStart + k - 1]);
    const std::uint8_t expected = CalcolaCKSSave(image);
    if (image[map::kImageSize] != expected)
        return QStringLiteral("checksum %1 instead of %2")
            .arg(image[map::kImageSize], 2, 16, QLatin1Char('0'))
            .arg(expected, 2, 16, QLatin1Char('0'))
            .toUpper();
    return {};
}

void PeripheralSimulator::setFaults(const SimulatorFaults& faults) {
    options_.faults = faults;
    armGarbage();
}

bool PeripheralSimulator::portOpen() {
    updatePeers();
    return peers_ != 0;
}

void PeripheralSimulator::pressReset() {
    if (state_ == State::Gone)
        return;
    if (options_.faults.silent) {
        emit note(QStringLiteral("RESET pressed; the peripheral stays silent"));
        return;
    }
    emit note(QStringLiteral("RESET pressed"));
    if (nextOnReset_) {
        nextOnReset_ = false;
        connectPeripheral(index_ + 1);
    } else if (heldAfterWrite_) {
        heldAfterWrite_ = false;
        nextOnReset_ = true;
    }
    // A peripheral that restarts forgets what it was receiving and what it had still to send.
    rx_.clear();
    incompleteTimer_.stop();
    txQueue_.clear();
    txTimer_.stop();
    sendMessage(options_.announce);
    setState(State::Announced);
}

void PeripheralSimulator::vanish() {
    if (state_ == State::Gone)
        return;
    // The notifiers may be the ones running right now: disable them, delete them later.
    for (QSocketNotifier* notifier : {readNotifier_, writeNotifier_, peerNotifier_}) {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    readNotifier_ = writeNotifier_ = peerNotifier_ = nullptr;
    txQueue_.clear();
    out_.clear();
    for (QTimer* timer : {&txTimer_, &incompleteTimer_, &autoResetTimer_, &garbageTimer_})
        timer->stop();
    pty_.closeMaster();
    setState(State::Gone);
}

void PeripheralSimulator::updatePeers() {
    if (state_ == State::Gone)
        return;
    const int peers = pty_.peerCount();
    const bool wasOpen = peers_ != 0;
    const bool open = peers != 0;
    peers_ = peers;
    if (open == wasOpen)
        return;
    emit portOpenChanged(open);
    // The installer unplugged the programmer: whatever exchange was going on is over.
    if (!open && (state_ == State::Announced || state_ == State::FrameSent))
        setState(State::Idle);
}

void PeripheralSimulator::readMaster() {
    QByteArray got;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(pty_.masterFd(), buffer, sizeof buffer);
        if (n > 0) {
            got.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // No slave left: cannot happen while we hold ours, but never spin on it.
        readNotifier_->setEnabled(false);
        emit note(QStringLiteral("the pty stopped working"));
        break;
    }
    if (got.isEmpty())
        return;
    if (autoResetTimer_.isActive())
        autoResetTimer_.start(); // only a quiet line counts as idle
    emit received(got);
    if (state_ == State::Gone || options_.faults.silent)
        return;
    rx_.append(got);
    parse();
}

void PeripheralSimulator::parse() {
    while (state_ != State::Gone) {
        const qsizetype lineFeed = rx_.indexOf(kLineFeed);
        if (lineFeed < 0) {
            rx_.clear();
            break;
        }
        rx_.remove(0, lineFeed);
        if (rx_.size() < 2)
            break;
        const char letter = rx_[1];
        if (letter == 'P') {
            if (rx_.size() < frame::kWriteFrameSize)
                break;
            const QByteArray writeFrame = rx_.left(frame::kWriteFrameSize);
            rx_.remove(0, frame::kWriteFrameSize);
            handleWriteFrame(writeFrame);
            continue;
        }
        if (letter == 'A' || letter == 'X') {
            if (rx_.size() < kShortMessageSize)
                break;
            if (rx_[2] == kCarriageReturn) {
                rx_.remove(0, kShortMessageSize);
                if (letter == 'X')
                    handleRequest();
                else
                    emit note(QStringLiteral("announcement acknowledged"));
                continue;
            }
        }
        rx_.remove(0, 1); // a line feed that starts nothing we know
    }
    if (rx_.isEmpty())
        incompleteTimer_.stop();
    else
        incompleteTimer_.start();
}

void PeripheralSimulator::dropIncomplete() {
    const QByteArray pending = rx_;
    rx_.clear();
    if (pending.size() >= 2 && pending[1] == 'P')
        handleWriteFrame(pending); // too short: refused like any bad frame
    else if (!pending.isEmpty())
        emit note(QStringLiteral("incomplete message dropped"));
}

void PeripheralSimulator::handleRequest() {
    emit note(QStringLiteral("configuration requested"));
    sendReadFrame();
    if (state_ != State::Gone)
        setState(State::FrameSent);
}

void PeripheralSimulator::handleWriteFrame(const QByteArray& frame) {
    if (options_.faults.ignoreWrites) {
        emit note(QStringLiteral("write frame ignored, no answer"));
        return;
    }
    const QString problem = options_.faults.refuseWrites ? QStringLiteral("refusing every write")
                                                         : writeFrameProblem(frame);
    if (!problem.isEmpty()) {
        emit writeRefused(problem);
        sendMessage('N');
        return;
    }
    for (int k = 1; k <= map::kImageSize; ++k)
        image_[k] = static_cast<std::uint8_t>(frame[frame::kImageStart + k - 1]);
    if (options_.faults.imperfectStore) {
        image_[map::kSirenTime] = static_cast<std::uint8_t>(image_[map::kSirenTime] + 1);
        fixChecksum(image_);
        emit note(QStringLiteral("write stored imperfectly: siren time one more"));
    }
    emit imageStored(image_);
    sendMessage('A');
    setState(State::Idle);
    if (index_ + 1 < serials_.size()) {
        if (options_.readBack)
            heldAfterWrite_ = true;
        else
            connectPeripheral(index_ + 1);
    }
}

void PeripheralSimulator::connectPeripheral(int index) {
    index_ = index;
    image_ = options_.image;
    setSerialNumber(image_, serials_[index]);
    fixChecksum(image_);
    emit peripheralChanged(index_, serialNumber());
}

void PeripheralSimulator::sendMessage(char letter) {
    enqueue({(options_.faults.noise ? noise() : QByteArray()) + shortMessage(letter)});
}

void PeripheralSimulator::sendReadFrame() {
    const SimulatorFaults& f = options_.faults;
    QByteArray frame = readFrame(image_, options_.frameType);
    if (f.badChecksum)
        frame[frame::kImageStart + map::kImageSize - 1] =
            static_cast<char>(image_[map::kImageSize] + 1);
    const QByteArray prefix = f.noise ? noise() : QByteArray();
    const int part = qBound(0, options_.partialLength, static_cast<int>(frame.size()));
    if (f.vanish) {
        enqueue({prefix + frame.left(part)});
        enqueue({{}, options_.vanishDelayMs, true});
    } else if (f.cutFrame) {
        enqueue({prefix + frame.left(part)});
    } else if (f.splitFrame) {
        enqueue({prefix + frame.left(part)});
        enqueue({frame.mid(part), options_.splitDelayMs});
    } else {
        enqueue({prefix + frame});
    }
}

void PeripheralSimulator::enqueue(const Chunk& chunk) {
    txQueue_.append(chunk);
    pump();
}

void PeripheralSimulator::pump() {
    while (!txQueue_.isEmpty() && !txTimer_.isActive() && state_ != State::Gone) {
        Chunk& next = txQueue_.first();
        if (next.delayMs > 0) {
            txTimer_.start(next.delayMs);
            next.delayMs = 0;
            return;
        }
        const Chunk chunk = txQueue_.takeFirst();
        if (!chunk.bytes.isEmpty())
            writeOut(chunk.bytes);
        if (chunk.vanishAfter) {
            emit note(QStringLiteral("the device disappears"));
            vanish();
        }
    }
}

void PeripheralSimulator::writeOut(const QByteArray& bytes) {
    updatePeers();
    if (peers_ == 0) {
        emit dropped(bytes); // a real line loses what is sent into a closed port
        return;
    }
    out_.append(bytes);
    emit sent(bytes);
    writePending();
}

void PeripheralSimulator::writePending() {
    while (!out_.isEmpty() && state_ != State::Gone) {
        const ssize_t n = ::write(pty_.masterFd(), out_.constData(), out_.size());
        if (n > 0) {
            out_.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            emit note(QStringLiteral("%1 bytes could not be sent").arg(out_.size()));
            out_.clear();
        }
        break;
    }
    if (writeNotifier_)
        writeNotifier_->setEnabled(!out_.isEmpty());
}

void PeripheralSimulator::setState(State state) {
    if (state == state_)
        return;
    state_ = state;
    emit stateChanged(state);
}

void PeripheralSimulator::autoReset() {
    // A unit read back is not written again: with readBack it restarts from there as well.
    const bool idle = state_ == State::Idle || state_ == State::Announced ||
                      (options_.readBack && state_ == State::FrameSent && nextOnReset_);
    if (idle && txQueue_.isEmpty() && portOpen())
        pressReset();
}

void PeripheralSimulator::armGarbage() {
    if (options_.faults.garbage && state_ != State::Gone) {
        if (!garbageTimer_.isActive())
            garbageTimer_.start(options_.garbageIntervalMs +
                                random_.bounded(options_.garbageIntervalMs * 4 / 7 + 1));
    } else {
        garbageTimer_.stop();
    }
}

void PeripheralSimulator::sendGarbage() {
    if (options_.faults.silent || state_ == State::Gone)
        return;
    // Never inside a message that is still being sent.
    if (txQueue_.isEmpty())
        writeOut(garbage());
    armGarbage();
}

QByteArray PeripheralSimulator::noise() {
    QByteArray bytes;
    const int size = 2 + random_.bounded(7);
    while (bytes.size() < size) {
        const char byte = static_cast<char>(random_.bounded(256));
        if (byte != kLineFeed)
            bytes.append(byte);
    }
    return bytes;
}

QByteArray PeripheralSimulator::garbage() {
    // Lines whose letter means nothing to the programmer, so it must throw them away.
    static const QByteArray meaningful = QByteArrayLiteral("WKANXD\n");
    static const QByteArray harmless = QByteArrayLiteral("bcefghjmqrtvyz#?*");
    const int size = 6 + random_.bounded(15);
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(static_cast<char>(random_.bounded(256)));
    bytes[random_.bounded(size - 1)] = kLineFeed;
    bytes[size - 1] = harmless[random_.bounded(harmless.size())]; // no line feed last
    for (int i = 0; i + 1 < size; ++i) {
        if (bytes[i] == kLineFeed && meaningful.contains(bytes[i + 1]))
            bytes[i + 1] = harmless[random_.bounded(harmless.size())];
    }
    return bytes;
}

} // namespace selvana::sim
