#include "core/files/backup_store.h"

#include "core/files/atomic_file.h"
#include "core/files/config_file.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace selvana {

namespace {

// More backups of one peripheral in one second than this means something else is wrong.
constexpr int kMaxPerSecond = 1000;

BackupStore::Error failure(const QString& folder, const QString& serialNumber, const QString& what,
                           const QString& todo, const QString& detail) {
    const QString shown = QDir::toNativeSeparators(folder);
    return {FileError::Operation::Create, shown,
            QStringLiteral("Impossibile salvare la copia di sicurezza della configurazione della "
                           "periferica %1 nella cartella \"%2\": %3. Nessun dato è stato scritto "
                           "nella periferica: %4, poi ripetere la programmazione.")
                .arg(serialNumber, shown, what, todo),
            detail};
}

} // namespace

QString BackupStore::defaultFolder() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return base.isEmpty() ? QString() : base + QStringLiteral("/backup");
}

BackupStore::BackupStore(QString folder) : folder_(std::move(folder)) {}

QString BackupStore::fileName(const QString& serialNumber, const QDateTime& when, int n) {
    // The serial number comes from the peripheral; keep only what is safe in a file name.
    QString serial;
    for (const QChar c : serialNumber)
        serial += (c.isLetterOrNumber() && c.unicode() < 128) ? c : QLatin1Char('_');
    if (serial.isEmpty())
        serial = QStringLiteral("SENZA-NUMERO");
    QString name = serial + QLatin1Char('_') + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (n > 1)
        name += QStringLiteral("_%1").arg(n);
    return name + QStringLiteral(".con");
}

std::optional<BackupStore::Error> BackupStore::save(const Image& image, std::uint8_t firmwareM6,
                                                    std::uint8_t bandaUHF,
                                                    const QString& serialNumber,
                                                    const QDateTime& when, QString* path) const {
    if (folder_.isEmpty())
        return failure(folder_, serialNumber,
                       QStringLiteral("il sistema non indica una cartella dati per l'utente"),
                       QStringLiteral("verificare la configurazione dell'utente"), QString());
    if (!QDir().mkpath(folder_))
        return failure(folder_, serialNumber,
                       QStringLiteral("la cartella non esiste e non può essere creata"),
                       QStringLiteral("verificare i permessi e lo spazio sul disco"), QString());

    const QByteArray content = conf::fileContent(firmwareM6, bandaUHF, image);
    for (int n = 1; n <= kMaxPerSecond; ++n) {
        const QString target = QDir(folder_).filePath(fileName(serialNumber, when, n));
        const auto written = AtomicFile(target).write(content, AtomicFile::Existing::Refuse);
        if (!written) {
            if (path)
                *path = target;
            return std::nullopt;
        }
        if (written->targetExists)
            continue;
        if (!QFileInfo(folder_).isWritable())
            return failure(folder_, serialNumber,
                           QStringLiteral("la cartella non consente la scrittura"),
                           QStringLiteral("verificare i permessi della cartella"), written->detail);
        if (written->error == QFileDevice::WriteError ||
            written->error == QFileDevice::ResourceError)
            return failure(folder_, serialNumber,
                           QStringLiteral("la scrittura si è interrotta (disco pieno o non "
                                          "disponibile)"),
                           QStringLiteral("liberare spazio sul disco"), written->detail);
        return failure(folder_, serialNumber,
                       QStringLiteral("il file \"%1\" non può essere creato")
                           .arg(QFileInfo(target).fileName()),
                       QStringLiteral("verificare il disco"), written->detail);
    }
    return failure(folder_, serialNumber,
                   QStringLiteral("esistono già troppe copie con lo stesso orario"),
                   QStringLiteral("attendere qualche secondo"), QString());
}

} // namespace selvana
