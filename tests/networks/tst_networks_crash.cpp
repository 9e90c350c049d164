#include "networks_crash_lists.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace selvana;
using namespace selvana::testing;

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
        for (int round = 0; round < kRounds; ++round) {
            QProcess writer;
            writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            writer.start(QStringLiteral(NETWORKS_WRITER), {folder.path()});
            QVERIFY2(writer.waitForStarted(), qPrintable(writer.errorString()));
            // Every other round the kill may also fall before the first write or inside it.
            if (round % 2 == 0)
                QVERIFY(writer.waitForReadyRead(10000));
            QThread::usleep(random.bounded(25000));
            writer.kill(); // SIGKILL: no handler, no destructor runs
            QVERIFY(writer.waitForFinished(10000));
            QVERIFY2(writer.exitStatus() == QProcess::CrashExit,
                     "the writer stopped by itself: it could not write");

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

QTEST_GUILESS_MAIN(TestNetworksCrash)
#include "tst_networks_crash.moc"
