#include "pty_pair.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace selvana::sim {

namespace {

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

PtyPair::~PtyPair() {
    closeMaster();
}

bool PtyPair::makeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

bool PtyPair::open() {
    closeMaster();
    error_.clear();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        error_ = systemError("posix_openpt");
        return false;
    }
    // Children (a programmer started by a test) must not inherit the master, or closing it here
    // would not make the device disappear.
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error_ = systemError("grantpt/unlockpt");
        closeMaster();
        return false;
    }
    const char* name = ::ptsname(master_);
    if (!name) {
        error_ = systemError("ptsname");
        closeMaster();
        return false;
    }
    slavePath_ = QString::fromLocal8Bit(name);
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    // Raw before the first byte moves: a fresh pty echoes and turns CR into LF.
    if (slave_ < 0 || !makeRaw(slave_)) {
        error_ = systemError("slave");
        closeMaster();
        return false;
    }
    const int flags = ::fcntl(master_, F_GETFL);
    if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
        error_ = systemError("fcntl");
        closeMaster();
        return false;
    }
    // Our own slave descriptor was opened before the watch, so only others are counted.
    watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ >= 0 && ::inotify_add_watch(watch_, name, IN_OPEN | IN_CLOSE) < 0)
        closeFd(watch_);
    peers_ = 0;
    return true;
}

int PtyPair::peerCount() {
    if (watch_ < 0)
        return -1;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(watch_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & IN_Q_OVERFLOW) {
                closeFd(watch_); // lost count: stop pretending to know
                return -1;
            }
            if (event->mask & IN_OPEN) {
                ++peers_;
            } else if (event->mask & IN_CLOSE) {
                peers_ = peers_ > 0 ? peers_ - 1 : 0;
                if (peers_ == 0)
                    discardUnread();
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return peers_;
}

void PtyPair::discardUnread() {
    if (slave_ < 0)
        return;
    ::tcflush(slave_, TCIFLUSH);
    makeRaw(slave_);
    // A program that died with the port open left it exclusive (QSerialPort sets TIOCEXCL); with
    // our descriptor holding the pty, nobody else could open it again.
    ::ioctl(slave_, TIOCNXCL);
}

void PtyPair::closeMaster() {
    closeFd(watch_);
    closeFd(slave_);
    closeFd(master_);
    peers_ = 0;
}

} // namespace selvana::sim
