#include "app/main_window.h"
#include "app/start_up.h"
#include "common/fake_link.h"
#include "common/recording_dialogs.h"
#include "common/test_main.h"
#include "networks/networks_file.h"
#include "platform/settings_store.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace selvana;
using namespace selvana::testing;

class TestStartUp : public QObject {
    Q_OBJECT
private slots:
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
};

SELVANA_TEST_MAIN(TestStartUp)
#include "tst_start_up.moc"
