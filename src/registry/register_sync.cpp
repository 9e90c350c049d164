#include "registry/register_sync.h"

#include "registry/installer.h"

#include <QSqlError>
#include <QSqlQuery>

namespace selvana::registry {

namespace {

const QString kCopyServerKey = QStringLiteral("server");
const QString kCursorKey = QStringLiteral("server_seq");
const QString kCopiedKey = QStringLiteral("server_copia");
const QString kIdentityKey = QStringLiteral("server_identita");

} // namespace

RegisterSync::RegisterSync(UnitRegister& local, ServerAddress server)
    : local_(local), server_(std::move(server)) {}

RegisterSync::~RegisterSync() = default;

std::optional<RegisterError> RegisterSync::serverFailed(const RegisterError& error) {
    remote_.reset();
    // Waiting mends the network, not a setting.
    const QString then =
        isConfigurationFault(error.fault)
            ? QStringLiteral(" Le programmazioni restano in attesa nel registro di questo "
                             "computer e saranno inviate quando l'impostazione sarà corretta.")
            : QStringLiteral(" Le programmazioni restano nel registro di questo computer e "
                             "saranno inviate appena il server risponde.");
    RegisterError failed{error.message + then, withoutPassword(error.detail), error.fault};
    if (!server_.password.isEmpty()) {
        failed.message.replace(server_.password, QStringLiteral("***"));
        failed.detail.replace(server_.password, QStringLiteral("***"));
    }
    return failed;
}

// A statement of the exchange failed once connected: what failed is the exchange, whatever
// statement it was; a connection that went away is the network's.
RegisterError RegisterSync::interrupted(const RegisterError& error) const {
    const bool lost = !remote_ || !remote_->database().isOpen() ||
                      remote_->database().lastError().type() == QSqlError::ConnectionError;
    return {QStringLiteral("Registro condiviso %1: lo scambio con il server si è interrotto.")
                .arg(server_.displayed()),
            error.detail, lost ? ServerFault::Unreachable : ServerFault::None};
}

std::optional<RegisterError> RegisterSync::connect() {
    if (remote_ && remote_->database().isOpen())
        return std::nullopt;
    RegisterError error;
    remote_ = UnitRegister::openServer(server_, &error, connectTimeoutS_);
    if (!remote_)
        return serverFailed(error);
    return std::nullopt;
}

// A copy made from another server starts again from that server's first record. The same
// server that lost records (made anew, or put back from an older backup: another identity, or
// fewer records than this copy has read) gets every record of this file again.
std::optional<RegisterError> RegisterSync::adopt() {
    QString knownServer;
    QString knownIdentity;
    QString cursor;
    if (auto e = local_.value(kCopyServerKey, knownServer))
        return e;
    if (auto e = local_.value(kIdentityKey, knownIdentity))
        return e;
    if (auto e = local_.value(kCursorKey, cursor))
        return e;
    QString identity;
    qint64 last = 0;
    if (auto e = remote_->identity(identity))
        return serverFailed(interrupted(*e));
    if (auto e = remote_->lastNumber(last))
        return serverFailed(interrupted(*e));
    const bool sameName = knownServer == server_.shown();
    const bool lost = sameName && ((!knownIdentity.isEmpty() && knownIdentity != identity) ||
                                   last < cursor.toLongLong());
    if (lost) {
        if (auto e = local_.queueAll())
            return e;
    }
    if (!sameName || lost) {
        if (auto e = local_.setValue(kCursorKey, QStringLiteral("0")))
            return e;
        if (auto e = local_.setValue(kCopiedKey, QString()))
            return e;
        if (auto e = local_.setValue(kCopyServerKey, server_.shown()))
            return e;
    }
    return local_.setValue(kIdentityKey, identity);
}

std::optional<RegisterError> RegisterSync::run(SyncReport& report) {
    if (auto e = send(report))
        return e;
    return receive(report);
}

std::optional<RegisterError> RegisterSync::send(SyncReport& report) {
    if (auto e = connect())
        return e;
    if (auto e = adopt())
        return e;
    for (;;) {
        QList<UnitRecord> batch;
        if (auto e = local_.pending(batch_, batch))
            return e;
        if (batch.isEmpty())
            return std::nullopt;
        if (auto e = remote_->begin())
            return serverFailed(interrupted(*e));
        for (const UnitRecord& r : batch) {
            if (auto e = remote_->insert(r, false)) {
                remote_->rollback();
                return serverFailed(interrupted(*e));
            }
        }
        if (hooks_.beforeServerCommit && !hooks_.beforeServerCommit(report.sent)) {
            remote_->rollback();
            return RegisterError{QStringLiteral("Invio interrotto."), {}};
        }
        if (auto e = remote_->commit())
            return serverFailed(interrupted(*e));
        if (hooks_.afterServerCommit && !hooks_.afterServerCommit(report.sent + batch.size()))
            return RegisterError{QStringLiteral("Invio interrotto."), {}};
        if (auto e = local_.markSent(batch))
            return e;
        report.sent += batch.size();
    }
}

std::optional<RegisterError> RegisterSync::receive(SyncReport& report) {
    if (auto e = connect())
        return e;
    if (auto e = adopt())
        return e;
    QString cursorText;
    if (auto e = local_.value(kCursorKey, cursorText))
        return e;
    qint64 cursor = cursorText.toLongLong();
    for (;;) {
        QList<UnitRecord> rows;
        qint64 last = cursor;
        if (auto e = remote_->numbered(cursor, batch_, rows, last))
            return serverFailed(interrupted(*e));
        if (rows.isEmpty())
            break;
        int added = 0;
        if (auto e = local_.storeReceived(rows, kCursorKey, QString::number(last), &added))
            return e;
        report.received += added;
        cursor = last;
    }
    report.copied = QDateTime::currentDateTimeUtc();
    return local_.setValue(kCopiedKey, report.copied.toString(Qt::ISODateWithMs));
}

std::optional<QDateTime> RegisterSync::copied() {
    QString known;
    QString when;
    if (local_.value(kCopyServerKey, known) || known != server_.shown() ||
        local_.value(kCopiedKey, when))
        return std::nullopt;
    const QDateTime time = QDateTime::fromString(when, Qt::ISODateWithMs);
    return time.isValid() ? std::optional<QDateTime>(time) : std::nullopt;
}

QString copyAgeText(const std::optional<QDateTime>& copied, const QDateTime& now) {
    if (!copied)
        return QStringLiteral("Copia del registro condiviso mai aggiornata: i controlli vedono "
                              "solo le periferiche registrate su questo computer");
    const qint64 minutes = qMax<qint64>(0, copied->secsTo(now) / 60);
    const QString prefix = QStringLiteral("Copia del registro condiviso aggiornata ");
    if (minutes < 1)
        return prefix + QStringLiteral("adesso");
    if (minutes < 60)
        return prefix + (minutes == 1 ? QStringLiteral("1 minuto fa")
                                      : QStringLiteral("%1 minuti fa").arg(minutes));
    const qint64 hours = minutes / 60;
    if (hours < 24)
        return prefix +
               (hours == 1 ? QStringLiteral("1 ora fa") : QStringLiteral("%1 ore fa").arg(hours));
    const qint64 days = hours / 24;
    return prefix +
           (days == 1 ? QStringLiteral("1 giorno fa") : QStringLiteral("%1 giorni fa").arg(days));
}

std::optional<ServerAddress> chosenServer(const QString& commandLineUri, RegisterError* warning) {
    const QString uri = commandLineUri.trimmed().isEmpty() ? serverSetting() : commandLineUri;
    if (uri.trimmed().isEmpty())
        return std::nullopt;
    QString why;
    auto server = ServerAddress::parse(uri, &why);
    if (!server) {
        *warning = RegisterError{QStringLiteral("Impostazione \"Registro\": %1. Si usa solo il "
                                                "registro di questo computer.")
                                     .arg(why),
                                 {},
                                 ServerFault::BadAddress};
    }
    return server;
}

} // namespace selvana::registry
