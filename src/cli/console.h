#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QTextStream>

#include <memory>

class QSocketNotifier;

namespace selvana::cli {

// What arrives on a file descriptor (the standard input, or a pipe in tests), as a device that
// signals readyRead when bytes come and readChannelFinished at their end.
class DescriptorInput : public QIODevice {
    Q_OBJECT
public:
    explicit DescriptorInput(int fd, QObject* parent = nullptr);
    ~DescriptorInput() override;
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return pending_.size() + QIODevice::bytesAvailable(); }
    bool atEnd() const override { return ended_ && bytesAvailable() == 0; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    void fetch();

#ifdef Q_OS_WIN
    void arrived(const QByteArray& bytes, bool ended);
    void* thread_ = nullptr; // reads the input's handle, which Windows cannot watch for us
#endif
    int fd_;
    QSocketNotifier* notifier_ = nullptr;
    QByteArray pending_;
    bool ended_ = false;
};

// Results go to the output, prompts, progress and errors to the error channel, each line
// flushed at once so an installer (or a pipe) sees it when it happens. The input is what the
// installer types ("fine", Ctrl+D); a console may have none.
class Console {
public:
    // The process's standard output, error and input.
    Console();
    // Other devices, open for writing (and the input for reading), for tests.
    Console(QIODevice& out, QIODevice& err, QIODevice* in = nullptr);
    // Into texts, without an input.
    Console(QString* out, QString* err);
    ~Console();

    void out(const QString& line);
    void err(const QString& line);
    void outRaw(const QString& text); // no newline added
    // Null when there is none. The standard input is watched from the first call on.
    QIODevice* input();

private:
    std::unique_ptr<QIODevice> ownOut_;
    std::unique_ptr<QIODevice> ownErr_;
    std::unique_ptr<QIODevice> ownIn_;
    QTextStream out_;
    QTextStream err_;
    QIODevice* in_ = nullptr;
    bool standardInput_ = false;
};

} // namespace selvana::cli
