#pragma once

#include "core/session/program_state.h"
#include "serial/settings_store.h"
#include "serial/system_serial_link.h"
#include "ui/main_window.h"
#include "ui/user_dialogs.h"

#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace selvana::drive {

// A temporary home for settings and data, so a driven window never touches the user's own.
// Made before the application object: the settings store takes its folder at its first use.
class PrivateHome {
public:
    PrivateHome();
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// The program's main window, built as the program builds it, with port 1 on a selvanam-sim
// process; the networks file lives in the private home.
class DrivenWindow {
public:
    explicit DrivenWindow(const PrivateHome& home);
    ~DrivenWindow();

    // Starts the simulator (extra options appended), writes the settings, shows the window. The
    // networks file starts with networksFile's bytes when given.
    bool start(const QString& simulatorProgram, const QStringList& simulatorOptions,
               const QByteArray& networksFile = {});
    QString error() const { return error_; }

    MainWindow& window() { return *window_; }
    QString prompt() const;
    void click(const char* key);

    // "LOAD", RESET on the simulator, until its configuration is shown.
    bool load(int timeoutMs = 10000);
    // "SAVE", until the peripheral's answer is shown.
    bool save(int timeoutMs = 10000);
    void pressReset();

private:
    QString home_;
    QProcess simulator_;
    ProgramState state_;
    SystemSerialLink link_;
    SettingsStore settings_;
    QtUserDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
    QString error_;
};

// Runs the event loop until the condition holds or the time is up.
bool waitFor(const std::function<bool()>& condition, int timeoutMs);

} // namespace selvana::drive
