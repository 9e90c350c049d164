#pragma once

#include <QString>

namespace selvana::sim {

// A pseudo-terminal standing in for the serial cable: the program under test opens slavePath()
// as its serial port, the simulator talks through masterFd().
//
// The simulator keeps one slave descriptor of its own open (never read nor written), so the
// master never sees a hang-up while the program closes and reopens the port. Unlike a real
// serial port, a pty keeps what was sent while nobody listened and QSerialPort does not discard
// it on open; peerCount() lets the simulator behave like a real line instead.
class PtyPair {
public:
    PtyPair() = default;
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // Creates the pair with the slave in raw mode; false with errorString() on failure.
    bool open();
    bool isOpen() const { return master_ >= 0; }
    QString slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }
    QString errorString() const { return error_; }

    // Readable whenever another party opens or closes the slave; -1 when this cannot be watched.
    int peerWatchFd() const { return watch_; }
    // Takes in the pending open/close notices and returns how many descriptions of the slave
    // others hold open, or -1 when unknown. When the last one closes, the port starts afresh as a
    // real one would: unread bytes are discarded, raw mode is restored, exclusive use is lifted.
    int peerCount();

    // The device disappears: the program's port sees an error and the slave path goes away.
    void closeMaster();

private:
    void discardUnread();
    bool makeRaw(int fd);

    int master_ = -1;
    int slave_ = -1;
    int watch_ = -1;
    int peers_ = 0;
    QString slavePath_;
    QString error_;
};

} // namespace selvana::sim
