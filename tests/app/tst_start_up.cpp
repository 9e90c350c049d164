#include "common/fake_link.h"
#include "common/recording_dialogs.h"
#include "common/test_files.h"
#include "common/test_main.h"
#include "core/networks/networks_file.h"
#include "core/networks/networks_folder.h"
#include "serial/settings_store.h"
#include "ui/font_preparation.h"
#include "ui/main_window.h"
#include "ui/splash_window.h"
#include "ui/start_up.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

using namespace selvana;
using namespace selvana::testing;

namespace {

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// The program's environment: private data and settings folders, no display at all unless the
// offscreen one is asked for.
QProcessEnvironment programEnvironment(const QString& home, bool offscreen) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("SELVANA_BENCH_FIRST_WINDOW"));
    // Without a display, xcb would fail and end the program if it tried to open a window.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               offscreen ? QStringLiteral("offscreen") : QStringLiteral("xcb"));
    return env;
}

} // namespace

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

    void commandLineAnswer_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("answer"); // "help", "version" or "" for the window
        QTest::newRow("no arguments") << QStringList() << "";
        QTest::newRow("band letter") << QStringList{"V"} << "";
        QTest::newRow("--help") << QStringList{"--help"} << "help";
        QTest::newRow("-h") << QStringList{"-h"} << "help";
        QTest::newRow("--version") << QStringList{"--version"} << "version";
        QTest::newRow("help after a band letter") << QStringList{"U", "--help"} << "help";
        QTest::newRow("the first request decides")
            << QStringList{"--version", "--help"} << "version";
        QTest::newRow("a longer word") << QStringList{"--helpme"} << "";
        QTest::newRow("a word without dashes") << QStringList{"help"} << "";
        QTest::newRow("upper case") << QStringList{"--HELP"} << "";
    }
    void commandLineAnswer() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, answer);
        arguments.prepend(QStringLiteral("selvanam"));
        const auto got = selvana::commandLineAnswer(arguments);
        if (answer.isEmpty()) {
            QVERIFY(!got);
            return;
        }
        QVERIFY(got);
        if (answer == QLatin1String("help"))
            QCOMPARE(*got, windowHelpText());
        else
            QCOMPARE(*got, QStringLiteral("selvanam %1.%2.%3\n")
                               .arg(SELVANA_VERSION_MAJOR)
                               .arg(SELVANA_VERSION_MINOR)
                               .arg(SELVANA_VERSION_PATCH));
    }

    // The help names the files as this user finds them.
    void helpNamesThePerUserFiles() {
        const QString help = windowHelpText();
        const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(help.startsWith(QStringLiteral("Uso: selvanam [V|U]\n")));
        QVERIFY(help.contains(QDir::toNativeSeparators(networksFilePath(perUser))));
        QVERIFY(help.contains(QDir::toNativeSeparators(SettingsStore::filePath())));
        QCOMPARE(SettingsStore::filePath(), QSettings(QSettings::IniFormat, QSettings::UserScope,
                                                      QLatin1String(SettingsStore::kApplication),
                                                      QLatin1String(SettingsStore::kApplication))
                                                .fileName());
        QVERIFY(help.contains(QStringLiteral("SELVANA_TRACE")));
    }

    // Help and version are answered by the real program without any display to open.
    void helpAndVersionNeedNoDisplay_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("--help") << "--help"
                                << "Uso: selvanam [V|U]";
        QTest::newRow("--version") << "--version"
                                   << QStringLiteral("selvanam %1.%2.%3")
                                          .arg(SELVANA_VERSION_MAJOR)
                                          .arg(SELVANA_VERSION_MINOR)
                                          .arg(SELVANA_VERSION_PATCH);
    }
    void helpAndVersionNeedNoDisplay() {
        QFETCH(QString, argument);
        QTemporaryDir home;
        QProcess program;
        program.setProcessEnvironment(programEnvironment(home.path(), false));
        program.start(QStringLiteral(SELVANAM_PROGRAM), {argument});
        QVERIFY(program.waitForFinished(8000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QByteArray out = program.readAllStandardOutput();
        QTEST(QString::fromLocal8Bit(out.left(out.indexOf('\n'))).trimmed(), "firstLine");
        QCOMPARE(entriesOf(home.path()), QStringList());
    }

    // Waited for or not, the preparation ends, and Qt's fonts work after it.
    void fontPreparationEnds_data() {
        QTest::addColumn<bool>("waited");
        QTest::newRow("waited for") << true;
        QTest::newRow("ended by going away") << false;
    }
    void fontPreparationEnds() {
        QFETCH(bool, waited);
        {
            FontPreparation fonts(FontPreparation::Start::Always);
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) // where Qt draws text through fontconfig
            QVERIFY(fonts.started());
#endif
            if (waited)
                fonts.wait();
        }
        QVERIFY(!QFontDatabase::families().isEmpty());
        QVERIFY(QFontMetrics(QApplication::font()).horizontalAdvance(QStringLiteral("Rete")) > 0);
    }

    // The fonts get a thread of their own only where it takes nothing from the window's thread
    // and the window system: one processor beside those two, after what else the machine runs.
    void processorToSpare_data() {
        QTest::addColumn<int>("processors");
        QTest::addColumn<double>("loadAverage");
        QTest::addColumn<bool>("spare");
        QTest::newRow("one, idle") << 1 << 0.0 << false;
        QTest::newRow("two, idle") << 2 << 0.0 << false;
        QTest::newRow("three, idle") << 3 << 0.0 << true;
        QTest::newRow("three, slightly busy") << 3 << 0.1 << false;
        QTest::newRow("eight, five busy") << 8 << 5.0 << true;
        QTest::newRow("eight, more than five busy") << 8 << 5.5 << false;
        QTest::newRow("more busy than processors") << 4 << 9.0 << false;
    }
    void processorToSpare() {
        QFETCH(int, processors);
        QFETCH(double, loadAverage);
        QTEST(selvana::processorToSpare(processors, loadAverage), "spare");
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

    // An installed program leaves its folder as it found it, even when it could write there, as
    // root can: the list goes to the per-user folder.
    void installedProgramKeepsItsFolderClean_data() {
        QTest::addColumn<QString>("programFolder"); // under a temporary prefix
        QTest::newRow("bin of an installation prefix, writable") << "bin";
        QTest::newRow("installation prefix written with a trailing separator") << "bin/";
    }
    void installedProgramKeepsItsFolderClean() {
        QFETCH(QString, programFolder);
        QTemporaryDir prefix;
        QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
        QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("share")));
        const QString folder = prefix.filePath(programFolder);
        QVERIFY(folderIsWritable(folder));
        const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir(perUser).removeRecursively();

        const QString chosen = networksFolder(folder);
        QCOMPARE(chosen, perUser);
        ProgramState state;
        FakeSerialLink link;
        SettingsStore settings;
        RecordingDialogs dialogs;
        MainWindow window(state, link, settings, dialogs, chosen);
        QCOMPARE(dialogs.messages, QStringList());
        QVERIFY(QFileInfo::exists(networksFilePath(perUser)));
        QCOMPARE(entriesOf(prefix.filePath(QStringLiteral("bin"))), QStringList());
    }

    // The real program copied into an installation prefix, started by whoever runs the tests
    // (root included) and left to reach its main window: nothing appears beside it, its list is
    // in the per-user folder.
    void realInstalledProgramWritesNothingBesideItself() {
#ifdef Q_OS_WIN
        QSKIP("installed on Windows, the program is in Program Files and writes the user's own "
              "AppData: scripts/windows/test-installer.sh runs it so");
#endif
        QTemporaryDir prefix;
        QTemporaryDir home;
        const QString bin = prefix.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QDir().mkpath(prefix.filePath(QStringLiteral("share"))));
        const QString copy = bin + QStringLiteral("/selvanam");
        QVERIFY(QFile::copy(QStringLiteral(SELVANAM_PROGRAM), copy));
        const QString list = home.path() + QStringLiteral("/data/SelvanaM/Reti.cfg");

        QProcess program;
        QProcessEnvironment environment = programEnvironment(home.path(), true);
        environment.insert(QStringLiteral("SELVANA_SPLASH_MS"), QStringLiteral("50"));
        program.setProcessEnvironment(environment);
        program.start(copy, QStringList());
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(list).size() > 0, 10000);
        QCOMPARE(program.state(), QProcess::Running);
        program.kill();
        program.waitForFinished();
        QCOMPARE(entriesOf(bin), QStringList{QStringLiteral("selvanam")});
        QCOMPARE(readAll(list), networksFileContent(defaultNetworkList()));
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

    // The benchmark's probe ends the real program once the splash's texts are on the screen,
    // and tells the moments of its first window and of the texts, with the processor time used
    // until each by the window's thread and by the whole process; then whether the fonts were
    // prepared on a thread of their own.
    void benchmarkProbeEndsOnceTheTextsAreShown() {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SELVANA_BENCH_FIRST_WINDOW"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        program.start(QStringLiteral(SELVANAM_PROGRAM), QStringList());
        QVERIFY(program.waitForFinished(8000)); // well before the splash's own 10 s
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QList<QByteArray> fields = program.readAllStandardOutput().trimmed().split(' ');
        QCOMPARE(fields.size(), 7);
        QList<qint64> values;
        for (const QByteArray& field : fields) {
            bool ok = false;
            values << field.toLongLong(&ok);
            QVERIFY2(ok, field.constData());
        }
        const qint64 shownMs = values[0] / 1000, textMs = values[3] / 1000;
        QVERIFY(shownMs >= before);
        QVERIFY(textMs >= shownMs);
        QVERIFY(textMs <= after);
        QVERIFY(values[6] == 0 || values[6] == 1);
#ifdef Q_OS_UNIX
        const qint64 threadUs = values[1], processUs = values[2];
        QVERIFY(threadUs > 0);
        QVERIFY(processUs >= threadUs);
        QVERIFY(processUs <= (after - before) * 1000 * QThread::idealThreadCount());
        QVERIFY(values[4] >= threadUs);
        QVERIFY(values[5] >= processUs);
#endif
    }
};

SELVANA_TEST_MAIN(TestStartUp)
#include "tst_start_up.moc"
