#include "core/networks/installed_program_folder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace selvana;

namespace {

// "%T" in a path stands for the test's temporary folder.
QString inTemp(QString path, const QString& temp) {
    return path.replace(QLatin1String("%T"), temp);
}

} // namespace

class TestInstalledProgramFolder : public QObject {
    Q_OBJECT
private slots:
    void systemFoldersOfThisPlatform() {
        const QStringList folders = systemProgramFolders();
#ifdef Q_OS_WIN
        for (const QString& folder : folders)
            QVERIFY2(!folder.contains(QLatin1Char('\\')), qPrintable(folder));
#else
        QVERIFY(folders.contains(QStringLiteral("/usr")));
        QVERIFY(folders.contains(QStringLiteral("/opt")));
        QVERIFY(!folders.contains(QDir::homePath()));
#endif
    }

    void installedOrUsersCopy_data() {
        QTest::addColumn<QStringList>("folders");       // made under %T before the question
        QTest::addColumn<QStringList>("systemFolders"); // empty: this platform's
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<bool>("installed");

        const QStringList none;
        const QStringList fakeUsr{QStringLiteral("%T/usr")};
#ifndef Q_OS_WIN
        QTest::newRow("the package's /usr/bin") << none << none << "/usr/bin" << true;
        QTest::newRow("/usr/local/bin") << none << none << "/usr/local/bin" << true;
        QTest::newRow("/usr itself") << none << none << "/usr" << true;
        QTest::newRow("/bin") << none << none << "/bin" << true;
        QTest::newRow("/sbin") << none << none << "/sbin" << true;
        QTest::newRow("unpacked by an administrator in /opt")
            << none << none << "/opt/selvanam" << true;
        QTest::newRow("a name that only starts like /usr")
            << none << none << "/usr2/selvanam" << false;
        QTest::newRow("a name that only starts like /opt") << none << none << "/optical" << false;
        QTest::newRow("a copy in a user's folder")
            << none << none << "/home/installer/selvanam" << false;
        QTest::newRow("root's own copy in its home") << none << none << "/root/selvanam" << false;
#endif
        QTest::newRow("no folder") << none << none << "" << false;
        QTest::newRow("in a system folder, even writable")
            << QStringList{"%T/usr/bin"} << fakeUsr << "%T/usr/bin" << true;
        QTest::newRow("in a system folder, trailing separator")
            << QStringList{"%T/usr/bin"} << fakeUsr << "%T/usr/bin/" << true;
        QTest::newRow("in a system folder, written with ..")
            << QStringList{"%T/usr/bin", "%T/home"} << fakeUsr << "%T/home/../usr/bin" << true;
        QTest::newRow("beside a system folder")
            << QStringList{"%T/usr/bin", "%T/usr-copy"} << fakeUsr << "%T/usr-copy" << false;
        QTest::newRow("bin of an installation prefix in a home")
            << QStringList{"%T/home/u/.local/bin", "%T/home/u/.local/share"} << fakeUsr
            << "%T/home/u/.local/bin" << true;
        QTest::newRow("a bin folder without share beside it")
            << QStringList{"%T/home/u/bin"} << fakeUsr << "%T/home/u/bin" << false;
        QTest::newRow("share beside a folder not named bin")
            << QStringList{"%T/home/u/selvanam", "%T/home/u/share"} << fakeUsr
            << "%T/home/u/selvanam" << false;
        QTest::newRow("a build folder") << QStringList{"%T/src/build/src/selvanam"} << fakeUsr
                                        << "%T/src/build/src/selvanam" << false;
        QTest::newRow("program-files folder")
            << none << QStringList{"C:/Program Files"} << "C:/Program Files/Selvana" << true;
        QTest::newRow("a folder whose name only starts like program files")
            << none << QStringList{"C:/Program Files"} << "C:/Program Files (x86)/Selvana" << false;
    }
    void installedOrUsersCopy() {
        QFETCH(QStringList, folders);
        QFETCH(QStringList, systemFolders);
        QFETCH(QString, programFolder);
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        for (const QString& folder : folders)
            QVERIFY(QDir().mkpath(inTemp(folder, temp.path())));
        for (QString& folder : systemFolders)
            folder = inTemp(folder, temp.path());
        if (systemFolders.isEmpty())
            systemFolders = systemProgramFolders();
        QTEST(isInstalledProgramFolder(inTemp(programFolder, temp.path()), systemFolders),
              "installed");
    }

#ifdef Q_OS_UNIX
    // A link that points into a system folder is the system folder (/bin -> /usr/bin), and a
    // system path stays installed whatever it points to.
    void symbolicLinks_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("installed");
        QTest::newRow("a user's link to the installed folder") << "%T/home/u/sel"
                                                               << "%T/usr/bin" << true;
        QTest::newRow("a system link to a user's folder") << "%T/usr/sel"
                                                          << "%T/home/u/copy" << true;
        QTest::newRow("a user's link to a user's folder") << "%T/home/u/sel"
                                                          << "%T/home/u/copy" << false;
    }
    void symbolicLinks() {
        QFETCH(QString, link);
        QFETCH(QString, target);
        QTemporaryDir temp;
        for (const char* folder : {"/usr/bin", "/home/u/copy"})
            QVERIFY(QDir().mkpath(temp.path() + QLatin1String(folder)));
        QVERIFY(QFile::link(inTemp(target, temp.path()), inTemp(link, temp.path())));
        QTEST(isInstalledProgramFolder(inTemp(link, temp.path()), {temp.path() + "/usr"}),
              "installed");
    }
#endif
};

QTEST_GUILESS_MAIN(TestInstalledProgramFolder)
#include "tst_installed_program_folder.moc"
