#include "common/fake_link.h"
#include "common/recording_dialogs.h"
#include "common/test_main.h"
#include "core/networks/networks_file.h"
#include "core/networks/networks_folder.h"
#include "serial/settings_store.h"
#include "ui/main_window.h"
#include "ui/start_up.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace selvana;
using namespace selvana::testing;

class TestStartUp : public QObject {
    Q_OBJECT
private slots:
    void bandLetter_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("band");
        QTest::newRow("V") << QStringList{"p", "V"} << "V";
        QTest::newRow("u lower") << QStringList{"p", "u"} << "U";
        QTest::newRow("UHF") << QStringList{"p", "UHF"} << "";
        QTest::newRow("blank V") << QStringList{"p", " V"} << "";
        QTest::newRow("none") << QStringList{"p"} << "";
        QTest::newRow("two arguments") << QStringList{"p", "V", "U"} << "";
    }
    void bandLetter() {
        QFETCH(QStringList, args);
        QTEST(bandLetterFromArguments(args), "band");
    }

    void writableFolder_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("writable");
        static QTemporaryDir dir;
        QFile(dir.filePath("plain-file")).open(QIODevice::WriteOnly);
        QTest::newRow("temporary folder") << dir.path() << true;
        // Nothing can be created there, not even by root.
        QTest::newRow("/proc") << QStringLiteral("/proc") << false;
        QTest::newRow("missing folder") << dir.filePath("missing") << false;
        QTest::newRow("a file, not a folder") << dir.filePath("plain-file") << false;
        QTest::newRow("no folder") << QString() << false;
    }
    void writableFolder() {
        QFETCH(QString, folder);
        QTEST(folderIsWritable(folder), "writable");
    }

    void writableProgramFolderKeepsTheNetworksFile() {
        QTemporaryDir dir;
        QCOMPARE(networksFolder(dir.path()), dir.path());
        // The probe leaves nothing behind.
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void unwritableProgramFolderMovesItToTheUser() {
        const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir(perUser).removeRecursively();
        QCOMPARE(networksFolder(QStringLiteral("/proc")), perUser);
        QVERIFY(QFileInfo(perUser).isDir());
        QVERIFY(perUser.endsWith(QStringLiteral("/SelvanaM")));
    }

    // The window, given the folder the program would choose, keeps its list there.
    void windowWritesTheListIntoThePerUserFolder() {
        const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir(perUser).removeRecursively();
        ProgramState state;
        FakeSerialLink link;
        SettingsStore settings;
        RecordingDialogs dialogs;
        MainWindow window(state, link, settings, dialogs, networksFolder(QStringLiteral("/proc")));
        QCOMPARE(dialogs.messages, QStringList());
        QFile file(networksFilePath(perUser));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), networksFileContent(defaultNetworkList()));
    }

    // The benchmark's probe ends the real program at its first window and tells the moment.
    void benchmarkProbeEndsAtTheFirstWindow() {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SELVANA_BENCH_FIRST_WINDOW"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        program.start(QStringLiteral(SELVANAM_PROGRAM), QStringList());
        QVERIFY(program.waitForFinished(8000)); // well before the splash's own 10 s
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        bool ok = false;
        const qint64 shownMs = program.readAllStandardOutput().trimmed().toLongLong(&ok) / 1000;
        QVERIFY(ok);
        QVERIFY(shownMs >= before);
        QVERIFY(shownMs <= QDateTime::currentMSecsSinceEpoch());
    }
};

SELVANA_TEST_MAIN(TestStartUp)
#include "tst_start_up.moc"
