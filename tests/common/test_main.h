#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace selvana::testing {

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
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("SelvanaM"));
    TestObject test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace selvana::testing

#define SELVANA_TEST_MAIN(TestObject)                                                              \
    int main(int argc, char** argv) {                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return selvana::testing::runTest<TestObject>(argc, argv);                                  \
    }
