#include "programming_log.h"

#include "core/files/csv.h"
#include "core/files/file_names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace selvana::cli {

QString defaultLogPath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return base.isEmpty() ? QStringLiteral("programmazioni.csv")
                          : base + QStringLiteral("/programmazioni.csv");
}

ProgrammingLog::ProgrammingLog(QString path, bool createFolder)
    : path_(std::move(path)), createFolder_(createFolder) {}

QString ProgrammingLog::headerLine() {
    return QStringLiteral("data_ora;numero_di_serie;file;esito;dettaglio;copia_di_sicurezza");
}

QString ProgrammingLog::line(const LogEntry& e) {
    const QStringList fields = {
        e.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
        csv::field(e.serialNumber),
        csv::field(QDir::toNativeSeparators(e.file)),
        csv::field(e.result),
        csv::field(e.detail),
        csv::field(QDir::toNativeSeparators(e.backup)),
    };
    return csv::line(fields);
}

std::optional<QString> ProgrammingLog::open() {
    return appendText({});
}

std::optional<QString> ProgrammingLog::append(const LogEntry& entry) {
    return appendText((line(entry) + QStringLiteral("\r\n")).toUtf8());
}

std::optional<QString> ProgrammingLog::appendText(const QByteArray& text) {
    const QString shown = QDir::toNativeSeparators(shownName(path_));
    const auto failed = [&shown](const QString& why) {
        return QStringLiteral("Impossibile scrivere il registro delle programmazioni \"%1\": %2. "
                              "Indicarne un altro con --log FILE.")
            .arg(shown, why);
    };
    if (createFolder_ && !QDir().mkpath(QFileInfo(path_).absolutePath()))
        return failed(QStringLiteral("la cartella non può essere creata"));
    const FileFacts info = factsOf(path_);
    if (info.exists && !info.isFile)
        return failed(QStringLiteral("non è un file"));
    if (!info.folderExists)
        return failed(QStringLiteral("la cartella non esiste"));
    QFile out;
    if (!openFile(path_, out, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return failed(info.exists && !info.writable ? QStringLiteral("è protetto da scrittura")
                                                    : out.errorString());
    QByteArray all;
    if (out.size() == 0) // a new log: the byte-order mark tells spreadsheets it is UTF-8
        all = QByteArrayLiteral("\xEF\xBB\xBF") + headerLine().toUtf8() + "\r\n";
    all += text;
    if (!all.isEmpty() && out.write(all) != all.size())
        return failed(QStringLiteral("scrittura interrotta (%1)").arg(out.errorString()));
    out.close();
    if (out.error() != QFileDevice::NoError)
        return failed(out.errorString());
    return std::nullopt;
}

} // namespace selvana::cli
