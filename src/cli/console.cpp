#include "console.h"

#include <QFile>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <io.h>
#include <windows.h>
#endif

#include <cstdio>
#include <cstring>

namespace selvana::cli {

#ifdef Q_OS_WIN
namespace {
struct Reader {
    HANDLE input;
    QPointer<DescriptorInput> owner;
};
} // namespace
#endif

DescriptorInput::DescriptorInput(int fd, QObject* parent) : QIODevice(parent), fd_(fd) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
#ifdef Q_OS_WIN
    // A blocking read on a thread of its own; what it reads reaches this object through the
    // event loop, as a notifier's bytes would.
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd_));
    if (handle != INVALID_HANDLE_VALUE && handle != nullptr) {
        auto* reader = new Reader{handle, this};
        thread_ = CreateThread(
            nullptr, 0,
            [](void* p) -> DWORD {
                std::unique_ptr<Reader> r(static_cast<Reader*>(p));
                char buffer[256];
                for (;;) {
                    DWORD n = 0;
                    const bool ok = ReadFile(r->input, buffer, sizeof buffer, &n, nullptr);
                    const QByteArray bytes(buffer, ok ? qsizetype(n) : 0);
                    const bool ended = !ok || n == 0;
                    QMetaObject::invokeMethod(
                        QCoreApplication::instance(),
                        [owner = r->owner, bytes, ended] {
                            if (owner)
                                owner->arrived(bytes, ended);
                        },
                        Qt::QueuedConnection);
                    if (ended)
                        return 0;
                }
            },
            reader, 0, nullptr);
        if (thread_)
            return;
        delete reader;
    }
#endif
#ifdef Q_OS_UNIX
    if (::fcntl(fd_, F_GETFD) != -1) {
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &DescriptorInput::fetch);
        return;
    }
#endif
    ended_ = true;
}

DescriptorInput::~DescriptorInput() {
#ifdef Q_OS_WIN
    if (thread_) {
        // The reader may be blocked in ReadFile: cancel it; it finds this object gone.
        CancelSynchronousIo(static_cast<HANDLE>(thread_));
        WaitForSingleObject(static_cast<HANDLE>(thread_), 200);
        CloseHandle(static_cast<HANDLE>(thread_));
    }
#endif
}

#ifdef Q_OS_WIN
void DescriptorInput::arrived(const QByteArray& bytes, bool ended) {
    if (ended_)
        return;
    if (!bytes.isEmpty()) {
        // A console gives CR LF at the end of a line.
        pending_.append(QByteArray(bytes).replace("\r\n", "\n"));
        emit readyRead();
    }
    if (ended) {
        ended_ = true;
        emit readChannelFinished();
    }
}
#endif

void DescriptorInput::fetch() {
#ifdef Q_OS_UNIX
    char buffer[256];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n > 0) {
        pending_.append(buffer, n);
        emit readyRead();
        return;
    }
    // The end, or an input that cannot be read: nothing more will come.
    notifier_->setEnabled(false);
    ended_ = true;
    if (n == 0)
        emit readChannelFinished();
#endif
}

qint64 DescriptorInput::readData(char* data, qint64 maxSize) {
    const qint64 n = qMin<qint64>(maxSize, pending_.size());
    std::memcpy(data, pending_.constData(), static_cast<size_t>(n));
    pending_.remove(0, n);
    return n;
}

namespace {

std::unique_ptr<QIODevice> standardChannel(FILE* stream) {
    auto file = std::make_unique<QFile>();
    file->open(stream, QIODevice::WriteOnly | QIODevice::Unbuffered);
    return file;
}

} // namespace

Console::Console()
    : ownOut_(standardChannel(stdout)), ownErr_(standardChannel(stderr)), out_(ownOut_.get()),
      err_(ownErr_.get()), standardInput_(true) {}

Console::Console(QIODevice& out, QIODevice& err, QIODevice* in) : out_(&out), err_(&err), in_(in) {}

Console::Console(QString* out, QString* err) : out_(out), err_(err) {}

Console::~Console() = default;

QIODevice* Console::input() {
    if (standardInput_ && !ownIn_) {
        ownIn_ = std::make_unique<DescriptorInput>(0);
        in_ = ownIn_.get();
    }
    return in_;
}

void Console::out(const QString& line) {
    out_ << line << '\n';
    out_.flush();
}

void Console::outRaw(const QString& text) {
    out_ << text;
    out_.flush();
}

void Console::err(const QString& line) {
    err_ << line << '\n';
    err_.flush();
}

} // namespace selvana::cli
