#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#ifdef Q_OS_WIN
// winsock2.h before windows.h, for the tests that use sockets.
#include <winsock2.h>

#include <windows.h>
#undef interface // a Windows macro, and a name the programs use
#endif

namespace selvana::testing {

#ifdef Q_OS_WIN
// Windows keeps the data folders in the user's AppData whatever HOME says; test mode moves them
// into "qttest" folders there, which are this program's alone under CTest (a Windows user per
// test, tests/CMakeLists.txt) and start and end empty, as a new home would.
inline void emptyTestModeFolders() {
    for (const auto location :
         {QStandardPaths::AppDataLocation, QStandardPaths::AppLocalDataLocation,
          QStandardPaths::GenericDataLocation}) {
        const QString path = QStandardPaths::writableLocation(location);
        const QLatin1String testFolder("/qttest");
        const qsizetype at = path.indexOf(testFolder);
        if (at > 0)
            QDir(path.left(at + testFolder.size())).removeRecursively();
    }
}
#endif

// Runs a Qt Test class with a private home folder: the settings store and data folders of the
// program under test live in a temporary directory, never in the user's own.
template <typename TestObject> int runTest(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());
    QDir(home.path()).mkdir(QStringLiteral("runtime"));
    QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", (home.path() + QStringLiteral("/runtime")).toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
#ifdef Q_OS_WIN
    // There the settings file is not under XDG_CONFIG_HOME but in AppData: it goes to the same
    // place in the private home.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       home.path() + QStringLiteral("/config"));
    emptyTestModeFolders();
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("SelvanaM"));
    TestObject test;
#ifdef Q_OS_WIN
    // Qt Test sends its results to the debugger, not to stdout, when the program has no console
    // window, as under CTest: they go to a file, then to stdout, unless asked elsewhere.
    QStringList args = QCoreApplication::arguments();
    const bool toStdout = !args.contains(QStringLiteral("-o"));
    const QString results = home.filePath(QStringLiteral("results.txt"));
    if (toStdout)
        args << QStringLiteral("-o") << results + QStringLiteral(",txt");
    const int failed = QTest::qExec(&test, args);
    if (toStdout) {
        QFile file(results);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray text = file.readAll();
            std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
            std::fflush(stdout);
        }
    }
    emptyTestModeFolders();
#else
    const int failed = QTest::qExec(&test, argc, argv);
#endif
    return failed;
}

} // namespace selvana::testing

// On Windows the process ends as the programs' do, without the libraries' unload-time
// clean-up, which after an exchange with a server sometimes never returned.
#ifdef Q_OS_WIN
#define SELVANA_TEST_MAIN(TestObject)                                                              \
    int main(int argc, char** argv) {                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        const int failed = selvana::testing::runTest<TestObject>(argc, argv);                      \
        std::fflush(nullptr);                                                                      \
        TerminateProcess(GetCurrentProcess(), UINT(failed));                                       \
        return failed;                                                                             \
    }
#else
#define SELVANA_TEST_MAIN(TestObject)                                                              \
    int main(int argc, char** argv) {                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return selvana::testing::runTest<TestObject>(argc, argv);                                  \
    }
#endif
