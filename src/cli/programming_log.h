#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace selvana::cli {

// "programmazioni.csv" in the per-user data folder, beside the backups.
QString defaultLogPath();

// One line per peripheral the command line tried to program.
struct LogEntry {
    QDateTime time;
    QString serialNumber;
    QString file;   // the configuration file written
    QString result; // OK, RIFIUTATA, NESSUNA_RISPOSTA, NON_ADATTA, NON_SCRITTA
    QString detail; // the message the installer saw
    QString backup; // the backup taken before the write, if any
};

// The CSV log of programmed peripherals: UTF-8, fields separated by semicolons (what a
// spreadsheet set to Italian expects), quoted where needed, a header line at the top. It is
// only ever appended to, and every line is on disk before the next peripheral is handled.
class ProgrammingLog {
public:
    // createFolder: make the missing folders of the path (for the default one).
    explicit ProgrammingLog(QString path, bool createFolder = false);

    const QString& path() const { return path_; }

    // Checks that the log can be written before any peripheral is touched, writing the header
    // of a new log. Returns the Italian reason when it cannot.
    std::optional<QString> open();
    std::optional<QString> append(const LogEntry& entry);

    static QString headerLine();
    static QString line(const LogEntry& entry);

private:
    std::optional<QString> appendText(const QByteArray& text);

    QString path_;
    bool createFolder_;
};

} // namespace selvana::cli
