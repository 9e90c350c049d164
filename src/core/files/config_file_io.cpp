#include "core/files/config_file_io.h"

#include "core/files/atomic_file.h"
#include "core/files/file_names.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace selvana::conf {

namespace {

enum class Operation { Read, Write };

struct Diagnosis {
    QString what; // what went wrong
    QString todo; // what the installer can do about it
};

// The folder a name points into, by the same bytes as the name.
FileFacts folderOf(const QString& path) {
    const qsizetype slash =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    if (slash < 0)
        return factsOf(QStringLiteral("."));
    return factsOf(slash == 0 ? path.left(1) : path.left(slash));
}

// The system's error codes are coarse (a missing folder and a read-only one both report "cannot
// open"), so look at the file and its folder first.
Diagnosis diagnose(Operation op, const QString& path, QFileDevice::FileError error) {
    const FileFacts file = factsOf(path);
    if (file.isDir)
        return {QStringLiteral("il nome scelto è quello di una cartella"),
                op == Operation::Read ? QStringLiteral("scegliere un file di configurazione")
                                      : QStringLiteral("scegliere un altro nome di file")};
    if (file.exists && !file.isFile)
        return {QStringLiteral("il nome scelto non è quello di un file su disco"),
                QStringLiteral("scegliere un file di configurazione su disco")};
    if (!file.folderExists)
        return {QStringLiteral("la cartella non esiste o non è raggiungibile"),
                QStringLiteral("scegliere una cartella esistente o verificare che il disco sia "
                               "collegato")};
    if (op == Operation::Read) {
        if (!file.exists)
            return {QStringLiteral("il file non esiste"),
                    QStringLiteral("scegliere un file esistente")};
        if (!file.readable)
            return {QStringLiteral("l'accesso al file è negato"),
                    QStringLiteral("verificare i permessi del file")};
        return {QStringLiteral("la lettura si è interrotta"),
                QStringLiteral("verificare il disco")};
    }
    if (file.exists && !file.writable)
        return {QStringLiteral("il file è protetto da scrittura"),
                QStringLiteral("togliere la protezione o scegliere un altro nome di file")};
    if (file.exists && !file.readable)
        return {QStringLiteral("il file esistente non è leggibile e la sua parte oltre la "
                               "configurazione andrebbe persa"),
                QStringLiteral("scegliere un altro nome di file")};
    if (!folderOf(path).writable)
        return {QStringLiteral("la cartella non consente la scrittura"),
                QStringLiteral("scegliere un'altra cartella")};
    if (error == QFileDevice::WriteError || error == QFileDevice::ResourceError)
        return {QStringLiteral("la scrittura si è interrotta (disco pieno o non disponibile)"),
                QStringLiteral("liberare spazio sul disco o scegliere un altro disco")};
    return {QStringLiteral("errore del disco"),
            QStringLiteral("verificare il disco e la cartella scelta")};
}

FileError errorFor(Operation op, const QString& path, QFileDevice::FileError error,
                   const QString& detail) {
    const QString shown = quotedName(path);
    const Diagnosis d = diagnose(op, path, error);
    const bool read = op == Operation::Read;
    const QString brief =
        read ? QStringLiteral("Impossibile leggere il file di configurazione %1: %2.")
                   .arg(shown, d.what)
             : QStringLiteral("Impossibile scrivere la configurazione nel file %1: %2. Nessun "
                              "file è stato scritto o modificato.")
                   .arg(shown, d.what);
    const QString message =
        read ? QStringLiteral("Impossibile leggere il file di configurazione %1: %2. La "
                              "configurazione visualizzata non è cambiata: %3, poi ripetere "
                              "l'importazione.")
                   .arg(shown, d.what, d.todo)
             : QStringLiteral("Impossibile esportare la configurazione nel file %1: %2. Nessun "
                              "file è stato scritto o modificato: %3, poi ripetere "
                              "l'esportazione.")
                   .arg(shown, d.what, d.todo);
    return {read ? FileError::Operation::Read : FileError::Operation::Write,
            QDir::toNativeSeparators(shownName(path)), message, detail, brief};
}

} // namespace

std::optional<FileError> readConfigFileBytes(const QString& path, QByteArray& head, qint64* size) {
    const FileFacts info = factsOf(path);
    // Only regular files: a folder fails late and a pipe or device could block the program.
    if (!info.isFile)
        return errorFor(Operation::Read, path, QFileDevice::OpenError, QString());
    QFile in;
    if (!openFile(path, in, QIODevice::ReadOnly))
        return errorFor(Operation::Read, path, in.error(), in.errorString());
    const QByteArray bytes = in.read(kFileSize);
    if (in.error() != QFileDevice::NoError)
        return errorFor(Operation::Read, path, in.error(), in.errorString());
    if (bytes.size() < kFileSize) {
        const QString shown = quotedName(path);
        const QString brief = QStringLiteral("Il file %1 non è un file di configurazione valido: "
                                             "contiene %2 byte, ne servono %3.")
                                  .arg(shown)
                                  .arg(info.size)
                                  .arg(kFileSize);
        return FileError{FileError::Operation::Read, QDir::toNativeSeparators(shownName(path)),
                         brief + QStringLiteral(" La configurazione visualizzata non è cambiata: "
                                                "scegliere un file creato con \"Esporta\"."),
                         QStringLiteral("%1 bytes").arg(bytes.size()), brief};
    }
    head = bytes;
    if (size)
        *size = info.size;
    return std::nullopt;
}

std::optional<FileError> readConfigFile(const QString& path, ConfigFile& file) {
    QByteArray head;
    if (auto error = readConfigFileBytes(path, head))
        return error;
    file = *parse(head);
    return std::nullopt;
}

std::optional<FileError> writeConfigFile(const QString& path, const QByteArray& content,
                                         ExistingTail tail) {
    const FileFacts info = factsOf(path);
    if (info.exists && !info.isFile)
        return errorFor(Operation::Write, path, QFileDevice::OpenError, QString());
    const auto existing =
        tail == ExistingTail::Keep ? AtomicFile::Existing::KeepTail : AtomicFile::Existing::Replace;
    AtomicFile target =
        hasRawBytes(path) ? AtomicFile::byNameBytes(nameBytes(path)) : AtomicFile(path);
    if (const auto failure = target.write(content, existing))
        return errorFor(Operation::Write, path, failure->error, failure->detail);
    return std::nullopt;
}

} // namespace selvana::conf
