#include "core/files/config_file_io.h"

#include "core/files/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace selvana::conf {

namespace {

enum class Operation { Read, Write };

struct Diagnosis {
    QString what; // what went wrong
    QString todo; // what the installer can do about it
};

// The system's error codes are coarse (a missing folder and a read-only one both report "cannot
// open"), so look at the file and its folder first.
Diagnosis diagnose(Operation op, const QString& path, QFileDevice::FileError error) {
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (file.isDir())
        return {QStringLiteral("il nome scelto è quello di una cartella"),
                op == Operation::Read ? QStringLiteral("scegliere un file di configurazione")
                                      : QStringLiteral("scegliere un altro nome di file")};
    if (file.exists() && !file.isFile())
        return {QStringLiteral("il nome scelto non è quello di un file su disco"),
                QStringLiteral("scegliere un file di configurazione su disco")};
    if (!folder.isDir())
        return {QStringLiteral("la cartella non esiste o non è raggiungibile"),
                QStringLiteral("scegliere una cartella esistente o verificare che il disco sia "
                               "collegato")};
    if (op == Operation::Read) {
        if (!file.exists())
            return {QStringLiteral("il file non esiste"),
                    QStringLiteral("scegliere un file esistente")};
        if (!file.isReadable())
            return {QStringLiteral("l'accesso al file è negato"),
                    QStringLiteral("verificare i permessi del file")};
        return {QStringLiteral("la lettura si è interrotta"),
                QStringLiteral("verificare il disco")};
    }
    if (file.exists() && !file.isWritable())
        return {QStringLiteral("il file è protetto da scrittura"),
                QStringLiteral("togliere la protezione o scegliere un altro nome di file")};
    if (file.exists() && !file.isReadable())
        return {QStringLiteral("il file esistente non è leggibile e la sua parte oltre la "
                               "configurazione andrebbe persa"),
                QStringLiteral("scegliere un altro nome di file")};
    if (!folder.isWritable())
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
    const QString shown = QDir::toNativeSeparators(path);
    const Diagnosis d = diagnose(op, path, error);
    const QString message =
        op == Operation::Read
            ? QStringLiteral("Impossibile leggere il file di configurazione \"%1\": %2. La "
                             "configurazione visualizzata non è cambiata: %3, poi ripetere "
                             "l'importazione.")
            : QStringLiteral("Impossibile esportare la configurazione nel file \"%1\": %2. "
                             "Nessun file è stato scritto o modificato: %3, poi ripetere "
                             "l'esportazione.");
    return {op == Operation::Read ? FileError::Operation::Read : FileError::Operation::Write, shown,
            message.arg(shown, d.what, d.todo), detail};
}

} // namespace

std::optional<FileError> readConfigFile(const QString& path, ConfigFile& file) {
    const QFileInfo info(path);
    // Only regular files: a folder fails late and a pipe or device could block the window.
    if (!info.isFile())
        return errorFor(Operation::Read, path, QFileDevice::OpenError, QString());
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return errorFor(Operation::Read, path, in.error(), in.errorString());
    const QByteArray head = in.read(kFileSize);
    if (in.error() != QFileDevice::NoError)
        return errorFor(Operation::Read, path, in.error(), in.errorString());
    const auto parsed = parse(head);
    if (!parsed) {
        const QString shown = QDir::toNativeSeparators(path);
        return FileError{
            FileError::Operation::Read, shown,
            QStringLiteral("Il file \"%1\" non è un file di configurazione valido: contiene %2 "
                           "byte, ne servono %3. La configurazione visualizzata non è cambiata: "
                           "scegliere un file creato con \"Esporta\".")
                .arg(shown)
                .arg(info.size())
                .arg(kFileSize),
            QStringLiteral("%1 bytes").arg(head.size())};
    }
    file = *parsed;
    return std::nullopt;
}

std::optional<FileError> writeConfigFile(const QString& path, const QByteArray& content,
                                         ExistingTail tail) {
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return errorFor(Operation::Write, path, QFileDevice::OpenError, QString());
    const auto existing =
        tail == ExistingTail::Keep ? AtomicFile::Existing::KeepTail : AtomicFile::Existing::Replace;
    if (const auto failure = AtomicFile(path).write(content, existing))
        return errorFor(Operation::Write, path, failure->error, failure->detail);
    return std::nullopt;
}

} // namespace selvana::conf
