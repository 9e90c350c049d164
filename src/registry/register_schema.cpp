#include "registry/register_schema.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace selvana::registry::schema {

namespace {

// Any number: it only keeps two programs from upgrading one server at the same time.
constexpr long long kUpgradeLock = 0x53454C56;

RegisterError failure(const QString& what, const QSqlError& error) {
    return {QStringLiteral("Impossibile preparare il registro delle programmazioni: %1.").arg(what),
            error.text()};
}

std::optional<RegisterError> run(QSqlDatabase& db, const QString& statement) {
    QSqlQuery q(db);
    if (!q.exec(statement))
        return failure(QStringLiteral("il database non accetta le modifiche"), q.lastError());
    return std::nullopt;
}

std::optional<RegisterError> runAll(QSqlDatabase& db, const QStringList& statements) {
    for (const QString& s : statements) {
        if (auto error = run(db, s))
            return error;
    }
    return std::nullopt;
}

QStringList version1(Dialect d) {
    const bool pg = d == Dialect::PostgreSQL;
    return {
        QStringLiteral("CREATE TABLE programmazioni ("
                       " seq %1,"
                       " id TEXT NOT NULL UNIQUE,"
                       " numero_di_serie TEXT NOT NULL,"
                       " data_ora TEXT NOT NULL,"
                       " installatore TEXT NOT NULL,"
                       " sito TEXT NOT NULL,"
                       " descrizione TEXT NOT NULL,"
                       " protocollo INTEGER NOT NULL,"
                       " rete INTEGER NOT NULL,"
                       " codice INTEGER NOT NULL,"
                       " frequenza %2 NOT NULL,"
                       " esito TEXT NOT NULL,"
                       " copia_di_sicurezza TEXT NOT NULL,"
                       " configurazione %3 NOT NULL)")
            .arg(pg ? QStringLiteral("BIGSERIAL PRIMARY KEY")
                    : QStringLiteral("INTEGER PRIMARY KEY"),
                 pg ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("REAL"),
                 pg ? QStringLiteral("BYTEA") : QStringLiteral("BLOB")),
        QStringLiteral("CREATE INDEX programmazioni_unita ON programmazioni "
                       "(numero_di_serie, data_ora)"),
        QStringLiteral("CREATE TABLE da_inviare (id TEXT PRIMARY KEY)"),
        QStringLiteral("CREATE TABLE stato (chiave TEXT PRIMARY KEY, valore TEXT NOT NULL)"),
    };
}

QStringList version2(Dialect d) {
    // A configuration file starts with its firmware marker ('W' before M6) and its band marker
    // ('U' for UHF).
    const bool pg = d == Dialect::PostgreSQL;
    const QString byte1 = pg ? QStringLiteral("substring(configurazione from 1 for 1)")
                             : QStringLiteral("substr(configurazione, 1, 1)");
    const QString byte2 = pg ? QStringLiteral("substring(configurazione from 2 for 1)")
                             : QStringLiteral("substr(configurazione, 2, 1)");
    const QString w = pg ? QStringLiteral("'\\x57'::bytea") : QStringLiteral("X'57'");
    const QString u = pg ? QStringLiteral("'\\x55'::bytea") : QStringLiteral("X'55'");
    return {
        QStringLiteral("ALTER TABLE programmazioni ADD COLUMN banda_uhf INTEGER NOT NULL "
                       "DEFAULT 0"),
        QStringLiteral("ALTER TABLE programmazioni ADD COLUMN firmware_m6 INTEGER NOT NULL "
                       "DEFAULT 1"),
        QStringLiteral("UPDATE programmazioni SET"
                       " banda_uhf = CASE WHEN %1 = %2 THEN 1 ELSE 0 END,"
                       " firmware_m6 = CASE WHEN %3 = %4 THEN 0 ELSE 1 END")
            .arg(byte2, u, byte1, w),
        QStringLiteral("CREATE INDEX programmazioni_codice ON programmazioni "
                       "(protocollo, rete, codice)"),
        QStringLiteral("CREATE INDEX programmazioni_sito ON programmazioni (sito)"),
    };
}

// The unique key is what keeps two programs from reserving one code, whatever runs at once.
// Times are text in the same form as the records' (ISO 8601, UTC, milliseconds), so they compare
// as text.
QStringList version3() {
    return {
        QStringLiteral("CREATE TABLE prenotazioni ("
                       " protocollo INTEGER NOT NULL,"
                       " rete INTEGER NOT NULL,"
                       " codice INTEGER NOT NULL,"
                       " numero_di_serie TEXT NOT NULL,"
                       " proprietario TEXT NOT NULL,"
                       " installatore TEXT NOT NULL,"
                       " computer TEXT NOT NULL,"
                       " data_ora TEXT NOT NULL,"
                       " scadenza TEXT NOT NULL,"
                       " UNIQUE (protocollo, rete, codice))"),
        QStringLiteral("CREATE INDEX prenotazioni_proprietario ON prenotazioni "
                       "(proprietario, numero_di_serie)"),
    };
}

// Empty texts for the rows already there: no changes known, not read back.
QStringList version4() {
    return {
        QStringLiteral("ALTER TABLE programmazioni ADD COLUMN modifiche TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("ALTER TABLE programmazioni ADD COLUMN verifica TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("ALTER TABLE programmazioni ADD COLUMN differenze TEXT NOT NULL "
                       "DEFAULT ''"),
    };
}

QStringList stepsOf(int version, Dialect d) {
    switch (version) {
    case 1:
        return version1(d);
    case 2:
        return version2(d);
    case 3:
        return version3();
    case 4:
        return version4();
    default:
        return {};
    }
}

QString tooNew(int found) {
    return QStringLiteral("Il registro delle programmazioni è stato creato da una versione più "
                          "recente del programma (schema %1, questo programma conosce fino "
                          "allo schema %2): aggiornare il programma.")
        .arg(found)
        .arg(kCurrentVersion);
}

} // namespace

std::optional<RegisterError> version(QSqlDatabase& db, int& found) {
    found = 0;
    if (!db.tables().contains(QStringLiteral("schema_version")))
        return std::nullopt;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT MAX(versione) FROM schema_version")))
        return failure(QStringLiteral("la versione non si legge"), q.lastError());
    if (q.next())
        found = q.value(0).toInt();
    return std::nullopt;
}

std::optional<RegisterError> upgrade(QSqlDatabase& db, Dialect dialect, int target) {
    const bool pg = dialect == Dialect::PostgreSQL;
    int found = 0;
    if (auto error = version(db, found))
        return error;
    if (found > kCurrentVersion)
        return RegisterError{tooNew(found), {}};
    if (found >= target)
        return std::nullopt;

    // One step per transaction; the version is read again under the lock, since another
    // program may have upgraded meanwhile.
    for (int step = found + 1; step <= target; ++step) {
        if (auto error = run(db, pg ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
            return error;
        const auto abandon = [&db](RegisterError error) {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            return error;
        };
        if (pg) {
            if (auto error =
                    run(db, QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kUpgradeLock)))
                return abandon(*error);
        }
        if (auto error = run(db, QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version "
                                                "(versione INTEGER PRIMARY KEY, "
                                                "applicata TEXT NOT NULL)")))
            return abandon(*error);
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT COALESCE(MAX(versione), 0) FROM schema_version")) ||
            !q.next())
            return abandon(failure(QStringLiteral("la versione non si legge"), q.lastError()));
        const int now = q.value(0).toInt();
        q.finish();
        if (now > kCurrentVersion)
            return abandon(RegisterError{tooNew(now), {}});
        if (now >= step) {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            step = now;
            continue;
        }
        if (auto error = runAll(db, stepsOf(step, dialect)))
            return abandon(*error);
        QSqlQuery mark(db);
        mark.prepare(QStringLiteral("INSERT INTO schema_version (versione, applicata) "
                                    "VALUES (?, ?)"));
        mark.addBindValue(step);
        mark.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
        if (!mark.exec())
            return abandon(
                failure(QStringLiteral("la versione non si registra"), mark.lastError()));
        if (auto error = run(db, QStringLiteral("COMMIT")))
            return abandon(*error);
    }
    return std::nullopt;
}

} // namespace selvana::registry::schema
