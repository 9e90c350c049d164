#include "networks_crash_lists.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_UNIX
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#include <QCoreApplication>
#include <QProcess>
#endif

using namespace selvana;
using namespace selvana::testing;

namespace {

// What the writer does until it is killed: the two lists in turn, "ready" once the first write
// is done.
template <typename Ready> [[noreturn]] void writeUntilKilled(const QString& folder, Ready ready) {
    const NetworkList lists[] = {crashListB(), crashListA()};
    for (unsigned long n = 0;; ++n) {
        if (ScriviReti(folder, lists[n % 2]))
            std::_Exit(1);
        if (n == 0 && !ready())
            std::_Exit(1);
    }
}

#ifdef Q_OS_UNIX
// A child process of the test: no handler, no destructor runs when it is killed.
class Writer {
public:
    Writer() {
        if (::pipe(ready_) != 0)
            ready_[0] = ready_[1] = -1;
    }
    ~Writer() {
        ::close(ready_[0]);
        ::close(ready_[1]);
    }
    bool start(const QString& folder) {
        pid_ = ::fork();
        if (pid_ == 0)
            writeUntilKilled(folder, [this] { return ::write(ready_[1], "r", 1) == 1; });
        return pid_ > 0;
    }
    bool waitForReady() {
        pollfd fd{ready_[0], POLLIN, 0};
        char byte = 0;
        return ::poll(&fd, 1, 10000) == 1 && ::read(ready_[0], &byte, 1) == 1;
    }
    // True when it was still writing, as it should be.
    bool kill() {
        ::kill(pid_, SIGKILL);
        int status = 0;
        const bool killed = ::waitpid(pid_, &status, 0) == pid_ && WIFSIGNALED(status);
        // A ready the kill overtook is not the next round's.
        pollfd pending{ready_[0], POLLIN, 0};
        char byte = 0;
        if (::poll(&pending, 1, 0) == 1 && ::read(ready_[0], &byte, 1) != 1)
            return false;
        return killed;
    }
    static constexpr int kRounds = 200;

private:
    int ready_[2];
    pid_t pid_ = -1;
};
#else
// This test program again, started as the writer (main below); TerminateProcess runs nothing
// of it either. Starting a program costs more there, hence fewer rounds.
class Writer {
public:
    bool start(const QString& folder) {
        process_.start(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("--writer"), folder});
        return process_.waitForStarted(10000);
    }
    bool waitForReady() { return process_.waitForReadyRead(10000) && process_.read(1) == "r"; }
    bool kill() {
        process_.kill();
        return process_.waitForFinished(10000) && process_.exitStatus() == QProcess::CrashExit;
    }
    static constexpr int kRounds = 30;

private:
    QProcess process_;
};
#endif

} // namespace

// A laptop that dies while the networks file is written: a child process writes two lists in
// turn and is killed at random moments; the file is always one of them, whole.
class TestNetworksCrash : public QObject {
    Q_OBJECT
private slots:
    void killedWriterLeavesOldOrNewFile() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const NetworkList a = crashListA();
        const NetworkList b = crashListB();
        const QByteArray contentA = networksFileContent(a);
        const QByteArray contentB = networksFileContent(b);
        QVERIFY(!ScriviReti(folder.path(), a));

        QRandomGenerator random(20240611);
        int seenA = 0;
        int seenB = 0;
        constexpr int kRounds = Writer::kRounds;
        for (int round = 0; round < kRounds; ++round) {
            Writer writer;
            QVERIFY(writer.start(folder.path()));
            // Every other round the kill may also fall before the first write or inside it.
            if (round % 2 == 0)
                QVERIFY(writer.waitForReady());
            // A few writes long, so the kill falls anywhere in one.
            QThread::usleep(random.bounded(10000));
            QVERIFY2(writer.kill(), "the writer stopped by itself: it could not write");

            QFile file(networksFilePath(folder.path()));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray content = file.readAll();
            QVERIFY2(content == contentA || content == contentB,
                     qPrintable(QStringLiteral("round %1: a file of %2 bytes that is neither list")
                                    .arg(round)
                                    .arg(content.size())));
            (content == contentA ? seenA : seenB)++;

            NetworkList loaded;
            QVERIFY(!LoadReti(folder.path(), loaded));
            QVERIFY(loaded == (content == contentA ? a : b));
        }
        // The kills fell at different moments of the loop, not always at the same point.
        QVERIFY(seenA > 0);
        QVERIFY(seenB > 0);
        const QStringList left =
            QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        qInfo("%d rounds: old list %d times, new list %d times; %lld unfinished temporary files",
              kRounds, seenA, seenB, static_cast<long long>(left.size() - 1));
    }
};

int main(int argc, char** argv) {
#ifndef Q_OS_UNIX
    if (argc == 3 && qstrcmp(argv[1], "--writer") == 0) {
        writeUntilKilled(QString::fromLocal8Bit(argv[2]), [] {
            return std::fwrite("r", 1, 1, stdout) == 1 && std::fflush(stdout) == 0;
        });
    }
#endif
    QCoreApplication app(argc, argv);
    TestNetworksCrash test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_networks_crash.moc"
