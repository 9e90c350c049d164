#include "driven_window.h"

#include "core/networks/networks_file.h"
#include "core/run/programming_run.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QWindow>

namespace selvana::drive {

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    if (condition())
        return true;
    // Sleeps between events rather than spinning: the benchmark shares two cores with the X
    // server and the simulator.
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer check;
    check.setInterval(5);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition() || deadline.hasExpired())
            loop.quit();
    });
    check.start();
    loop.exec();
    return condition();
}

PrivateHome::PrivateHome() {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir_.filePath(QStringLiteral("data"))));
}

DrivenWindow::DrivenWindow(const PrivateHome& home) : home_(home.path()) {}

DrivenWindow::~DrivenWindow() {
    window_.reset(); // closes the port first
    simulator_.terminate();
    simulator_.waitForFinished(3000);
}

bool DrivenWindow::start(const QString& simulatorProgram, const QStringList& simulatorOptions,
                         const QByteArray& networksFile) {
    simulator_.setProgram(simulatorProgram);
    simulator_.setArguments(simulatorOptions);
    simulator_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator_.start();
    if (!simulator_.waitForStarted(5000) ||
        !waitFor([this] { return simulator_.canReadLine(); }, 5000)) {
        error_ = QStringLiteral("simulator did not start: %1").arg(simulator_.errorString());
        return false;
    }
    const QString device = QString::fromLocal8Bit(simulator_.readLine()).trimmed();

    settings_.SaveSetting(QStringLiteral("Port"), QStringLiteral("1"));
    settings_.SaveSetting(QStringLiteral("Device1"), device);
    const QString folder = QDir(home_).filePath(QStringLiteral("program"));
    QDir().mkpath(folder);
    if (!networksFile.isEmpty()) {
        QFile file(networksFilePath(folder));
        if (!file.open(QIODevice::WriteOnly) || file.write(networksFile) != networksFile.size()) {
            error_ = file.errorString();
            return false;
        }
    }
    window_ = std::make_unique<MainWindow>(state_, link_, settings_, dialogs_, folder);
    dialogs_.setParent(window_.get());
    window_->show();
    return waitFor(
        [this] { return window_->windowHandle() && window_->windowHandle()->isExposed(); }, 5000);
}

QString DrivenWindow::prompt() const {
    return window_->findChild<QLabel*>(QStringLiteral("lblPrepare"))->text();
}

void DrivenWindow::click(const char* key) {
    window_->command(QLatin1String(key))->trigger();
}

void DrivenWindow::pressReset() {
    simulator_.write("\n"); // Enter is the simulator's RESET key
}

bool DrivenWindow::load(int timeoutMs) {
    bool presented = false;
    const auto connection = QObject::connect(&window_->run(), &ProgrammingRun::framePresented,
                                             [&presented] { presented = true; });
    click("LOAD");
    if (window_->run().portOpen())
        pressReset();
    const bool shown = window_->run().portOpen() && waitFor([&] { return presented; }, timeoutMs);
    QObject::disconnect(connection);
    return shown;
}

bool DrivenWindow::save(int timeoutMs) {
    click("SAVE");
    return waitFor(
        [this] {
            return prompt() == ProgrammingRun::promptWritten() ||
                   prompt() == ProgrammingRun::promptRefused();
        },
        timeoutMs);
}

} // namespace selvana::drive
