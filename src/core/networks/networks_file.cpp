#include "core/networks/networks_file.h"

#include "core/files/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace selvana {

namespace {

struct Diagnosis {
    QString what; // what went wrong
    QString todo; // what the installer can do about it
};

// The system's error codes are coarse (a read-only folder reports "cannot open"), so look at
// the file and its folder first.
Diagnosis diagnose(const QString& path, QFileDevice::FileError error) {
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (file.isDir())
        return {QStringLiteral("al suo posto c'è una cartella con lo stesso nome"),
                QStringLiteral("rinominare o spostare quella cartella")};
    if (!folder.isDir())
        return {QStringLiteral("la cartella del programma non è raggiungibile"),
                QStringLiteral("verificare che il disco o la cartella di rete siano disponibili")};
    if (file.exists() && !file.isWritable() && error != QFileDevice::ReadError)
        return {QStringLiteral("il file è protetto da scrittura"),
                QStringLiteral("togliere la protezione da scrittura al file")};
    if (!file.exists() && !folder.isWritable())
        return {QStringLiteral("la cartella del programma non consente la scrittura"),
                QStringLiteral("concedere il permesso di scrittura sulla cartella del programma")};
    switch (error) {
    case QFileDevice::WriteError:
    case QFileDevice::ResourceError:
        return {QStringLiteral("la scrittura si è interrotta (disco pieno o non disponibile)"),
                QStringLiteral("liberare spazio sul disco")};
    case QFileDevice::ReadError:
        return {QStringLiteral("la lettura si è interrotta"),
                QStringLiteral("verificare il disco")};
    case QFileDevice::OpenError:
    case QFileDevice::PermissionsError:
    case QFileDevice::RenameError:
        if (!folder.isWritable())
            return {
                QStringLiteral("la cartella del programma non consente la scrittura"),
                QStringLiteral("concedere il permesso di scrittura sulla cartella del programma")};
        return {QStringLiteral("accesso negato, forse il file è aperto in un altro programma"),
                QStringLiteral("chiudere gli altri programmi che usano il file")};
    default:
        return {QStringLiteral("errore del file system"),
                QStringLiteral("verificare il disco e la cartella del programma")};
    }
}

NetworksFileError errorFor(NetworksFileError::Operation op, const QString& path,
                           QFileDevice::FileError error, const QString& detail) {
    const QString shown = QDir::toNativeSeparators(path);
    const Diagnosis d = diagnose(path, error);
    QString message;
    switch (op) {
    case NetworksFileError::Operation::Create:
        message = QStringLiteral("Impossibile creare il file delle reti \"%1\": %2. L'elenco delle "
                                 "reti non è stato caricato: %3, poi riavviare il programma.");
        break;
    case NetworksFileError::Operation::Read:
        message =
            QStringLiteral("Impossibile leggere il file delle reti \"%1\": %2. L'elenco delle "
                           "reti non è stato caricato: %3, poi riavviare il programma.");
        break;
    case NetworksFileError::Operation::Write:
        message = QStringLiteral("Impossibile salvare il file delle reti \"%1\": %2. Il file su "
                                 "disco non è stato modificato e l'elenco delle reti resta in "
                                 "memoria: %3, poi ripetere il comando.");
        break;
    }
    return {op, shown, message.arg(shown, d.what, d.todo), detail};
}

std::optional<NetworksFileError> writeAtomically(const QString& path, const QByteArray& content,
                                                 NetworksFileError::Operation op) {
    if (const auto failure = AtomicFile(path).write(content))
        return errorFor(op, path, failure->error, failure->detail);
    return std::nullopt;
}

} // namespace

QString networksFilePath(const QString& folder) {
    return QDir(folder).filePath(QString::fromLatin1(kNetworksFileName));
}

NetworkList defaultNetworkList() {
    NetworkList list;
    for (int i = 1; i <= kNetworkCount; ++i)
        list[i] = QByteArray(kDefaultNetworkEntry);
    return list;
}

QByteArrayList splitNetworkLines(QByteArrayView content) {
    QByteArrayList lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < content.size()) {
        const char c = content[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.append(content.sliced(start, i - start).toByteArray());
        i += (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    // A last line without its line end still counts.
    if (start < content.size())
        lines.append(content.sliced(start).toByteArray());
    return lines;
}

QByteArray networksFileContent(const NetworkList& list) {
    QByteArray content;
    for (int i = 1; i <= kNetworkCount; ++i)
        content.append(list[i]).append("\r\n");
    for (const QByteArray& line : list.beyondLast)
        content.append(line).append("\r\n");
    return content;
}

namespace {

// The file's content; empty for a missing file.
std::optional<NetworksFileError> readContent(const QString& path, QByteArray& content) {
    if (!QFileInfo::exists(path))
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return errorFor(NetworksFileError::Operation::Read, path, file.error(), file.errorString());
    content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return errorFor(NetworksFileError::Operation::Read, path, file.error(), file.errorString());
    return std::nullopt;
}

void takeLines(const QByteArray& content, NetworkList& list) {
    const QByteArrayList lines = splitNetworkLines(content);
    const qsizetype inList = std::min<qsizetype>(lines.size(), kNetworkCount);
    for (qsizetype i = 0; i < inList; ++i)
        list[i + 1] = lines[i];
    list.beyondLast = lines.mid(inList);
}

} // namespace

std::optional<NetworksFileError> LoadReti(const QString& folder, NetworkList& list) {
    const QString path = networksFilePath(folder);
    QByteArray content;
    if (auto error = readContent(path, content))
        return error;
    if (content.isEmpty()) {
        content = networksFileContent(defaultNetworkList());
        if (auto error = writeAtomically(path, content, NetworksFileError::Operation::Create))
            return error;
    }
    takeLines(content, list);
    return std::nullopt;
}

std::optional<NetworksFileError> readNetworkList(const QString& folder, NetworkList& list) {
    QByteArray content;
    if (auto error = readContent(networksFilePath(folder), content))
        return error;
    takeLines(content.isEmpty() ? networksFileContent(defaultNetworkList()) : content, list);
    return std::nullopt;
}

std::optional<NetworksFileError> ScriviReti(const QString& folder, const NetworkList& list) {
    return writeAtomically(networksFilePath(folder), networksFileContent(list),
                           NetworksFileError::Operation::Write);
}

QByteArray GetRetiEntry(QByteArrayView idText, QByteArrayView description) {
    QByteArray id = QByteArray("00000").append(idText);
    return id.right(kNetworkIdLength).append(description);
}

} // namespace selvana
