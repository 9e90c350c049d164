#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QIODevice;

namespace selvana::cli {

// The installer's ways of stopping a command: Ctrl+C (or SIGTERM) always; with an input also its
// end (Ctrl+D) or a line "fine" or "q". After the first Ctrl+C the system's own handling is
// back, so a second one ends the program at once. One at a time.
class StopRequest : public QObject {
    Q_OBJECT
public:
    explicit StopRequest(QIODevice* input, QObject* parent = nullptr);
    ~StopRequest() override;

    bool requested() const { return !reason_.isEmpty(); }
    // Italian, for the closing line: "Ctrl+C", "fine dell'ingresso", ...
    const QString& reason() const { return reason_; }

signals:
    void stopRequested();

private:
    void checkSignal();
    void readInput();
    void stop(const QString& reason);

    QTimer signalPoll_;
    QIODevice* input_ = nullptr;
    QByteArray pending_;
    QString reason_;
};

} // namespace selvana::cli
