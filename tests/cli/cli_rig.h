#pragma once

#include "cli/cli_app.h"
#include "cli/console.h"
#include "common/test_main.h"
#include "common/test_timing.h"
#include "core/files/backup_store.h"
#include "core/files/config_file.h"
#include "core/image/config_assembler.h"
#include "core/image/config_decoder.h"
#include "core/link/frame_codec.h"
#include "serial/port_enumerator.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

namespace selvana::testing {

// selvanam-cli run as a separate process, with a home of its own: its settings, backups and
// log land in a temporary folder. The test's event loop keeps turning while it runs, so a
// simulated peripheral in the test process can answer it.
class CliProcess {
public:
    explicit CliProcess(const QString& home) : home_(home) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        process_.setProcessEnvironment(env);
        QObject::connect(&process_, &QProcess::readyReadStandardOutput,
                         [this] { out_ += process_.readAllStandardOutput(); });
        QObject::connect(&process_, &QProcess::readyReadStandardError,
                         [this] { err_ += process_.readAllStandardError(); });
    }
    ~CliProcess() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }

    void setEnvironment(const QString& name, const QString& value) {
        QProcessEnvironment env = process_.processEnvironment();
        env.insert(name, value);
        process_.setProcessEnvironment(env);
    }

    void start(const QStringList& arguments) {
        process_.start(QStringLiteral(SELVANAM_CLI), arguments);
        process_.waitForStarted(5000);
    }

    // Starts with arguments given as bytes, such as a file name that is not UTF-8: through the
    // shell, which hands them over unchanged (QProcess would encode them as text).
    void startWithBytes(const QList<QByteArray>& arguments) {
        QString script = QStringLiteral("exec \"$0\"");
        for (const QByteArray& argument : arguments) {
            QString octal;
            for (char byte : argument)
                octal += QStringLiteral("\\%1").arg(static_cast<unsigned char>(byte), 3, 8,
                                                    QLatin1Char('0'));
            script += QStringLiteral(" \"$(printf '%1')\"").arg(octal);
        }
        process_.start(QStringLiteral("/bin/sh"),
                       {QStringLiteral("-c"), script, QStringLiteral(SELVANAM_CLI)});
        process_.waitForStarted(5000);
    }
    int runWithBytes(const QList<QByteArray>& arguments, int timeoutMs = 15000) {
        startWithBytes(arguments);
        return finish(timeoutMs);
    }

    // Waits until the standard error shows the text `times` times.
    bool waitForErr(const QString& text, int times = 1, int timeoutMs = 15000) {
        return QTest::qWaitFor([&] { return err().count(text) >= times || !running(); },
                               timeoutMs) &&
               err().count(text) >= times;
    }

    // The exit status, or -1 when it did not end in time or crashed.
    int finish(int timeoutMs = 30000) {
        static_cast<void>(QTest::qWaitFor([this] { return !running(); }, timeoutMs));
        if (running() || process_.exitStatus() != QProcess::NormalExit)
            return -1;
        out_ += process_.readAllStandardOutput();
        err_ += process_.readAllStandardError();
        return process_.exitCode();
    }

    // Runs to the end without a peripheral.
    int run(const QStringList& arguments, int timeoutMs = 15000) {
        start(arguments);
        return finish(timeoutMs);
    }

    bool running() const { return process_.state() != QProcess::NotRunning; }
    QString out() const { return QString::fromUtf8(out_); }
    QString err() const { return QString::fromUtf8(err_); }
    QProcess& process() { return process_; }

    QString dataFolder() const { return home_ + QStringLiteral("/data/SelvanaM"); }
    QString backupFolder() const { return dataFolder() + QStringLiteral("/backup"); }

    // The window's settings as this process sees them.
    void saveSetting(const QString& key, const QString& value) const {
        QSettings settings(home_ + QStringLiteral("/config/SelvanaM/SelvanaM.ini"),
                           QSettings::IniFormat);
        settings.setValue(QStringLiteral("CONFIG/") + key, value);
    }

private:
    QString home_;
    QProcess process_;
    QByteArray out_;
    QByteArray err_;
};

#ifndef Q_OS_UNIX
// The installer's typing where the console has no descriptor to watch: bytes handed over from
// the event loop, as a pipe would bring them.
class TypedInput : public QIODevice {
public:
    TypedInput() { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
    void type(const QByteArray& text) {
        QTimer::singleShot(0, this, [this, text] {
            pending_ += text;
            emit readyRead();
        });
    }
    void end() {
        QTimer::singleShot(0, this, [this] {
            if (ended_)
                return;
            ended_ = true;
            emit readChannelFinished();
        });
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return pending_.size() + QIODevice::bytesAvailable(); }
    bool atEnd() const override { return ended_ && bytesAvailable() == 0; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = qMin<qint64>(maxSize, pending_.size());
        std::copy_n(pending_.constData(), n, data);
        pending_.remove(0, n);
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray pending_;
    bool ended_ = false;
};
#endif

// selvanam-cli's logic run in the test process on the tests' link timing: its console on
// buffers, the installer's typing on a pipe, and a home of its own (settings aside: the tests
// share the process's), so its backups and log land in a temporary folder. A simulated
// peripheral in the same event loop answers it, and the installer's actions come from
// `whenAsked`: called each time the command asks for RESET (again), with the count so far.
class CliRun {
public:
    CliRun() : oldHome_(qgetenv("HOME")) {
        qputenv("HOME", home_.path().toLocal8Bit());
        out_.open(QIODevice::ReadWrite);
        err_.open(QIODevice::ReadWrite);
#ifdef Q_OS_UNIX
        if (::pipe(pipe_) != 0)
            qFatal("no pipe");
        input_ = std::make_unique<cli::DescriptorInput>(pipe_[0]);
#else
        input_ = std::make_unique<TypedInput>();
#endif
        console_ = std::make_unique<cli::Console>(out_, err_, input_.get());
        QObject::connect(&err_, &QIODevice::bytesWritten, [this] { watchPrompts(); });
    }
    ~CliRun() {
        closeInput();
        input_.reset();
#ifdef Q_OS_UNIX
        ::close(pipe_[0]);
#else
        // There the data folders are test mode's, not the home's: they go with it.
        testing::emptyTestModeFolders();
#endif
        qputenv("HOME", oldHome_);
    }
    CliRun(const CliRun&) = delete;
    CliRun& operator=(const CliRun&) = delete;

    QString home() const {
        return home_.path();
    }
    QString dataFolder() const {
        return QFileInfo(BackupStore::defaultFolder()).path();
    }
    QString backupFolder() const {
        return BackupStore::defaultFolder();
    }

    std::function<void(int)> whenAsked;

    int run(const QStringList& arguments, const PortEnumerator* ports = nullptr) {
        const ListedPorts none{QList<DetectedPort>{}};
        return cli::runCommandLine(arguments, *console_, ports ? *ports : none, testTiming());
    }

    // What the installer types, or the end of the input (Ctrl+D).
#ifdef Q_OS_UNIX
    void type(const QByteArray& text) {
        if (pipe_[1] >= 0 && ::write(pipe_[1], text.constData(), text.size()) != text.size())
            qWarning("the input pipe did not take the text");
    }
    void closeInput() {
        if (pipe_[1] >= 0)
            ::close(pipe_[1]);
        pipe_[1] = -1;
    }
#else
    void type(const QByteArray& text) {
        static_cast<TypedInput*>(input_.get())->type(text);
    }
    void closeInput() {
        if (input_)
            static_cast<TypedInput*>(input_.get())->end();
    }
#endif

    QString out() const {
        return QString::fromUtf8(out_.data());
    }
    QString err() const {
        return QString::fromUtf8(err_.data());
    }
    int prompts() const {
        return prompts_;
    }
    // Forgets what the last command printed, for another in the same home.
    void clear() {
        out_.buffer().clear();
        out_.seek(0);
        err_.buffer().clear();
        err_.seek(0);
        prompts_ = 0;
    }

private:
    // The prompt for a peripheral, and the one to read a written unit back.
    void watchPrompts() {
        const QString said = err();
        const int asked = static_cast<int>(
            said.count(QStringLiteral("premere il tasto RESET")) +
            said.count(QStringLiteral("Verifica: premere di nuovo il tasto RESET")));
        while (prompts_ < asked) {
            ++prompts_;
            if (whenAsked)
                whenAsked(prompts_);
        }
    }

    QTemporaryDir home_;
    QByteArray oldHome_;
    QBuffer out_;
    QBuffer err_;
#ifdef Q_OS_UNIX
    int pipe_[2] = {-1, -1};
#endif
    std::unique_ptr<QIODevice> input_;
    std::unique_ptr<cli::Console> console_;
    int prompts_ = 0;
};

// An image as the window writes it (decoded and assembled again), so that a file made from it
// reaches the peripheral unchanged in bytes 5..63.
inline Image assembled(const Image& image) {
    ConfigRecord record;
    Analyze2(image, QString(), record);
    Image out{};
    if (assembleSaveImage(record, image, out))
        qFatal("the sample image does not assemble");
    return out;
}

inline QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QString writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

#ifdef Q_OS_UNIX
// A file reached by the bytes of its name, which may not be UTF-8.
inline void writeFileNamed(const QByteArray& path, const QByteArray& content) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, content.constData(), content.size()) != content.size())
        qFatal("cannot write %s", path.constData());
    ::close(fd);
}
inline std::optional<QByteArray> contentNamed(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0)
        return std::nullopt;
    QByteArray content;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        content.append(buffer, n);
    ::close(fd);
    return content;
}
#endif

inline QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace selvana::testing
