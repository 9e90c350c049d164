#include "stop_request.h"

#include <QIODevice>

#include <csignal>

#ifdef Q_OS_WIN
#include <windows.h>
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

#ifdef Q_OS_WIN
// Ctrl+C, Ctrl+Break and the console window closing reach a console program here, on a thread
// of their own. The first asks for the stop, as SIGINT does on Linux; a second one is let
// through and ends the program.
BOOL WINAPI onConsoleControl(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        if (g_signalled)
            return FALSE;
        g_signalled = 1;
        return TRUE;
    case CTRL_CLOSE_EVENT:
        // Windows ends the program when this returns: leave the batch a moment to stop
        // between two units, as it does on a stop request.
        g_signalled = 1;
        Sleep(2 * kSignalPollMs + 300);
        return FALSE;
    default:
        return FALSE;
    }
}
#endif

} // namespace

StopRequest::StopRequest(QIODevice* input, QObject* parent) : QObject(parent), input_(input) {
    g_signalled = 0;
    g_previousInt = std::signal(SIGINT, onStopSignal);
    g_previousTerm = std::signal(SIGTERM, onStopSignal);
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
#endif
    signalPoll_.setInterval(kSignalPollMs);
    connect(&signalPoll_, &QTimer::timeout, this, &StopRequest::checkSignal);
    signalPoll_.start();
    if (input_) {
        connect(input_, &QIODevice::readyRead, this, &StopRequest::readInput);
        connect(input_, &QIODevice::readChannelFinished, this, [this] {
            readInput();
            stop(QStringLiteral("fine dell'ingresso"));
        });
    }
}

StopRequest::~StopRequest() {
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
#endif
    std::signal(SIGINT, g_previousInt == SIG_ERR ? SIG_DFL : g_previousInt);
    std::signal(SIGTERM, g_previousTerm == SIG_ERR ? SIG_DFL : g_previousTerm);
}

void StopRequest::stop(const QString& reason) {
    if (requested())
        return;
    reason_ = reason;
    signalPoll_.stop();
    if (input_)
        input_->disconnect(this);
    emit stopRequested();
}

void StopRequest::checkSignal() {
    if (g_signalled)
        stop(QStringLiteral("Ctrl+C"));
}

void StopRequest::readInput() {
    pending_.append(input_->readAll());
    for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
        const QByteArray word = pending_.left(end).trimmed().toLower();
        pending_.remove(0, end + 1);
        if (word == "fine" || word == "q") {
            stop(QStringLiteral("\"%1\"").arg(QString::fromLatin1(word)));
            return;
        }
    }
}

} // namespace selvana::cli
