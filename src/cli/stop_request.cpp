#include "stop_request.h"

#include <QSocketNotifier>

#include <csignal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace selvana::cli {

namespace {

volatile std::sig_atomic_t g_signalled = 0;
using Handler = void (*)(int);
Handler g_previousInt = SIG_DFL;
Handler g_previousTerm = SIG_DFL;

extern "C" void onStopSignal(int signal) {
    g_signalled = 1;
    std::signal(signal, SIG_DFL); // a second one is not for us
}

constexpr int kSignalPollMs = 100;

} // namespace

StopRequest::StopRequest(bool watchInput, QObject* parent) : QObject(parent) {
    g_signalled = 0;
    g_previousInt = std::signal(SIGINT, onStopSignal);
    g_previousTerm = std::signal(SIGTERM, onStopSignal);
    signalPoll_.setInterval(kSignalPollMs);
    connect(&signalPoll_, &QTimer::timeout, this, &StopRequest::checkSignal);
    signalPoll_.start();
#ifdef Q_OS_UNIX
    if (watchInput && ::fcntl(STDIN_FILENO, F_GETFD) != -1) {
        input_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(input_, &QSocketNotifier::activated, this, &StopRequest::readInput);
    }
#else
    Q_UNUSED(watchInput)
#endif
}

StopRequest::~StopRequest() {
    std::signal(SIGINT, g_previousInt == SIG_ERR ? SIG_DFL : g_previousInt);
    std::signal(SIGTERM, g_previousTerm == SIG_ERR ? SIG_DFL : g_previousTerm);
}

void StopRequest::stop(const QString& reason) {
    if (requested())
        return;
    reason_ = reason;
    signalPoll_.stop();
    if (input_)
        input_->setEnabled(false);
    emit stopRequested();
}

void StopRequest::checkSignal() {
    if (g_signalled)
        stop(QStringLiteral("Ctrl+C"));
}

void StopRequest::readInput() {
#ifdef Q_OS_UNIX
    char buffer[256];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        if (n == 0) {
            stop(QStringLiteral("fine dell'ingresso"));
        } else if (input_) {
            input_->setEnabled(false); // unreadable input: only Ctrl+C is left
        }
        return;
    }
    pending_.append(buffer, n);
    for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
        const QByteArray word = pending_.left(end).trimmed().toLower();
        pending_.remove(0, end + 1);
        if (word == "fine" || word == "q") {
            stop(QStringLiteral("\"%1\"").arg(QString::fromLatin1(word)));
            return;
        }
    }
#endif
}

} // namespace selvana::cli
