#include "common/test_main.h"
#include "core/files/atomic_file.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace selvana;
using Existing = AtomicFile::Existing;

Q_DECLARE_METATYPE(selvana::AtomicFile::Existing)

namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void put(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

} // namespace

class TestAtomicFile : public QObject {
    Q_OBJECT

private slots:
    // What the file holds afterwards, by what was there and how the write treats it.
    void content_data() {
        QTest::addColumn<Existing>("existing");
        QTest::addColumn<QByteArray>("before"); // "(missing)": no file
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("refused");
        const QByteArray none("(missing)");
        QTest::newRow("replace, no file")
            << Existing::Replace << none << QByteArray("new") << false;
        QTest::newRow("replace a longer file")
            << Existing::Replace << QByteArray("old old old") << QByteArray("new") << false;
        QTest::newRow("replace with nothing")
            << Existing::Replace << QByteArray("old") << QByteArray() << false;
        QTest::newRow("keep the tail of a longer file")
            << Existing::KeepTail << QByteArray("0123456789") << QByteArray("new3456789") << false;
        QTest::newRow("a shorter file has no tail")
            << Existing::KeepTail << QByteArray("01") << QByteArray("new") << false;
        QTest::newRow("keep the tail, no file")
            << Existing::KeepTail << none << QByteArray("new") << false;
        QTest::newRow("a new file") << Existing::Refuse << none << QByteArray("new") << false;
        QTest::newRow("never over an existing one")
            << Existing::Refuse << QByteArray("old") << QByteArray("old") << true;
    }
    void content() {
        QFETCH(Existing, existing);
        QFETCH(QByteArray, before);
        QFETCH(bool, refused);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.con"));
        if (before != "(missing)")
            put(path, before);
        const QByteArray written = QTest::currentDataTag() == QByteArray("replace with nothing")
                                       ? QByteArray()
                                       : QByteArray("new");
        const auto failure = AtomicFile(path).write(written, existing);
        QCOMPARE(failure.has_value(), refused);
        if (failure)
            QVERIFY(failure->targetExists);
        QTEST(contentOf(path), "after");
        // Nothing but the file itself is left in the folder.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"f.con"});
    }

    // A replaced file keeps its permissions; a new one gets the usual ones. Windows has none but
    // the read-only attribute, and a file that has it is refused, as on Linux one whose owner
    // may not write it.
    void permissionsStay() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.con"));
        put(path, "old");
#ifdef Q_OS_WIN
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        const auto refused = AtomicFile(path).write("new");
        QVERIFY(refused);
        QCOMPARE(refused->error, QFileDevice::PermissionsError);
        QCOMPARE(contentOf(path), QByteArray("old"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
#else
        const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(path, permissions));
        QVERIFY(!AtomicFile(path).write("new"));
        QCOMPARE(QFile::permissions(path) & 0x7077, permissions); // owner, group, others
#endif
    }

    // A link is followed: the file it names gets the content, the link stays a link (on Windows
    // a shortcut, whose name ends in .lnk).
    void linksAreFollowed() {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("real.con"));
#ifdef Q_OS_WIN
        const QString link = dir.filePath(QStringLiteral("link.con.lnk"));
#else
        const QString link = dir.filePath(QStringLiteral("link.con"));
#endif
        put(target, "old");
        QVERIFY(QFile::link(target, link));
        QVERIFY(!AtomicFile(link).write("new"));
        QCOMPARE(contentOf(target), QByteArray("new"));
        QVERIFY(QFileInfo(link).isSymLink());
    }

    // A write that fails halfway (here a file-size limit, as a full disk) leaves the old file
    // whole and nothing beside it.
    void aFailedWriteChangesNothing_data() {
        QTest::addColumn<Existing>("existing");
        QTest::newRow("replace") << Existing::Replace;
        QTest::newRow("keep the tail") << Existing::KeepTail;
        QTest::newRow("new file") << Existing::Refuse;
    }
    void aFailedWriteChangesNothing() {
#ifndef Q_OS_UNIX
        QSKIP("Windows has no file-size limit of a process to stand for a full disk");
#else
        QFETCH(Existing, existing);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.con"));
        const QByteArray old(500, 'o');
        if (existing != Existing::Refuse)
            put(path, old);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
        rlimit limited = saved;
        limited.rlim_cur = 1000;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
        const auto failure = AtomicFile(path).write(QByteArray(2000, 'n'), existing);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        QVERIFY(failure);
        QCOMPARE(failure->error, QFileDevice::WriteError);
        QVERIFY(!failure->targetExists);
        QVERIFY(!failure->detail.isEmpty());
        QCOMPARE(contentOf(path), existing == Existing::Refuse ? QByteArray("(missing)") : old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 existing == Existing::Refuse ? 0 : 1);
#endif
    }

    void whatCannotBeWritten_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("error");
        QTest::newRow("a folder of that name") << "folder" << int(QFileDevice::OpenError);
        QTest::newRow("in a folder that is not there")
            << "missing/f.con" << int(QFileDevice::OpenError);
    }
    void whatCannotBeWritten() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        const auto failure = AtomicFile(dir.filePath(name)).write("new");
        QVERIFY(failure);
        QTEST(int(failure->error), "error");
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
    }

    // A name that is not valid UTF-8 is reached by its bytes.
    void nameBytes() {
        QTemporaryDir dir;
        const QByteArray name = QFile::encodeName(dir.path()) + "/caf\xE9.con";
        QVERIFY(!AtomicFile::byNameBytes(name).write("new"));
        const int fd = ::open(name.constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        char buffer[8] = {};
        QCOMPARE(::read(fd, buffer, sizeof buffer), 3);
        ::close(fd);
        QCOMPARE(QByteArray(buffer), QByteArray("new"));
    }
};

SELVANA_TEST_MAIN(TestAtomicFile)
#include "tst_atomic_file.moc"
