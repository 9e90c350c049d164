#include "networks_crash_lists.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace selvana;
using namespace selvana::testing;

namespace {

// A child process that writes the networks file of the folder, the two lists in turn, until it
// is killed; it says so on `ready` once the first write is done.
pid_t startWriter(const QString& folder, int ready) {
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    const NetworkList lists[] = {crashListB(), crashListA()};
    for (unsigned long n = 0;; ++n) {
        if (ScriviReti(folder, lists[n % 2]))
            ::_exit(1);
        if (n == 0 && ::write(ready, "r", 1) != 1)
            ::_exit(1);
    }
}

bool waitForReady(int ready) {
    pollfd fd{ready, POLLIN, 0};
    char byte = 0;
    return ::poll(&fd, 1, 10000) == 1 && ::read(ready, &byte, 1) == 1;
}

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
        constexpr int kRounds = 200;
        int ready[2];
        QVERIFY(::pipe(ready) == 0);
        for (int round = 0; round < kRounds; ++round) {
            const pid_t writer = startWriter(folder.path(), ready[1]);
            QVERIFY(writer > 0);
            // Every other round the kill may also fall before the first write or inside it.
            if (round % 2 == 0)
                QVERIFY(waitForReady(ready[0]));
            // A few writes long, so the kill falls anywhere in one.
            QThread::usleep(random.bounded(10000));
            ::kill(writer, SIGKILL); // no handler, no destructor runs
            int status = 0;
            QCOMPARE(::waitpid(writer, &status, 0), writer);
            QVERIFY2(WIFSIGNALED(status), "the writer stopped by itself: it could not write");
            // A ready the kill overtook is not the next round's.
            pollfd pending{ready[0], POLLIN, 0};
            char byte = 0;
            if (::poll(&pending, 1, 0) == 1)
                QCOMPARE(::read(ready[0], &byte, 1), 1);

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
        ::close(ready[0]);
        ::close(ready[1]);
        // The kills fell at different moments of the loop, not always at the same point.
        QVERIFY(seenA > 0);
        QVERIFY(seenB > 0);
        const QStringList left =
            QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        qInfo("%d rounds: old list %d times, new list %d times; %lld unfinished temporary files",
              kRounds, seenA, seenB, static_cast<long long>(left.size() - 1));
    }
};

QTEST_GUILESS_MAIN(TestNetworksCrash)
#include "tst_networks_crash.moc"
