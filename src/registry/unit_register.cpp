#include "registry/unit_register.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace selvana::registry {

namespace {

// Long enough for another program's write (a few milliseconds) even on a slow disk.
constexpr int kBusyTimeoutMs = 20000;

QString newConnectionName() {
    static QAtomicInt counter;
    return QStringLiteral("selvana_registro_%1").arg(counter.fetchAndAddRelaxed(1));
}

QString timeKey(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

// Bytes of a configuration written to the peripheral: a record must hold them.
QByteArray nonNull(const QByteArray& bytes) {
    return bytes.isNull() ? QByteArray("") : bytes;
}

UnitRecord recordFrom(const QSqlQuery& q, int at = 0) {
    UnitRecord r;
    r.id = q.value(at + 0).toString();
    r.serialNumber = q.value(at + 1).toString();
    r.time = QDateTime::fromString(q.value(at + 2).toString(), Qt::ISODateWithMs);
    r.installer = q.value(at + 3).toString();
    r.site = q.value(at + 4).toString();
    r.description = q.value(at + 5).toString();
    r.protocol = q.value(at + 6).toInt();
    r.network = q.value(at + 7).toInt();
    r.peripheralCode = q.value(at + 8).toInt();
    r.frequencyMHz = q.value(at + 9).toDouble();
    r.bandaUHF = static_cast<std::uint8_t>(q.value(at + 10).toInt());
    r.firmwareM6 = static_cast<std::uint8_t>(q.value(at + 11).toInt());
    r.outcome = outcomeFromKey(q.value(at + 12).toString()).value_or(Outcome::Refused);
    r.backupPath = q.value(at + 13).toString();
    r.configuration = nonNull(q.value(at + 14).toByteArray());
    return r;
}

// An empty text, never NULL: the columns hold text.
QString text(const QString& value) {
    return value.isNull() ? QStringLiteral("") : value;
}

void bindRecord(QSqlQuery& q, const UnitRecord& r) {
    q.addBindValue(text(r.id));
    q.addBindValue(text(r.serialNumber));
    q.addBindValue(timeKey(r.time));
    q.addBindValue(text(r.installer));
    q.addBindValue(text(r.site));
    q.addBindValue(text(r.description));
    q.addBindValue(r.protocol);
    q.addBindValue(r.network);
    q.addBindValue(r.peripheralCode);
    q.addBindValue(r.frequencyMHz);
    q.addBindValue(int(r.bandaUHF));
    q.addBindValue(int(r.firmwareM6));
    q.addBindValue(outcomeKey(r.outcome));
    q.addBindValue(text(r.backupPath));
    q.addBindValue(nonNull(r.configuration));
}

// LIKE pattern of a text to find anywhere, its wildcards taken literally.
QString containing(const QString& text) {
    QString escaped = text.toLower();
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('%'), QStringLiteral("\\%"));
    escaped.replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

// The WHERE conditions of a filter on alias p, and their values in order.
QString conditions(const RegisterFilter& f, QVariantList& values) {
    QStringList parts;
    if (!f.site.trimmed().isEmpty()) {
        parts << QStringLiteral("lower(p.sito) LIKE ? ESCAPE '\\'");
        values << containing(f.site.trimmed());
    }
    if (f.network) {
        parts << QStringLiteral("p.rete = ?");
        values << *f.network;
    }
    if (!f.serialNumber.trimmed().isEmpty()) {
        parts << QStringLiteral("p.numero_di_serie = ?");
        values << f.serialNumber.trimmed().toUpper();
    }
    return parts.isEmpty() ? QStringLiteral("1 = 1") : parts.join(QStringLiteral(" AND "));
}

// Rows of p that a peripheral may still hold: written or unanswered, and no later write of
// the same peripheral succeeded.
const char* kMayStillHold =
    "p.esito IN ('scritta', 'nessuna_risposta') AND NOT EXISTS (SELECT 1 FROM programmazioni q "
    "WHERE q.numero_di_serie = p.numero_di_serie AND q.esito = 'scritta' AND "
    "q.data_ora > p.data_ora)";

} // namespace

UnitRegister::UnitRegister(Dialect dialect, QString location)
    : dialect_(dialect), location_(std::move(location)), connection_(newConnectionName()) {}

UnitRegister::~UnitRegister() {
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection_);
}

QString UnitRegister::columns(const QString& alias) {
    static const QStringList names = {QStringLiteral("id"),
                                      QStringLiteral("numero_di_serie"),
                                      QStringLiteral("data_ora"),
                                      QStringLiteral("installatore"),
                                      QStringLiteral("sito"),
                                      QStringLiteral("descrizione"),
                                      QStringLiteral("protocollo"),
                                      QStringLiteral("rete"),
                                      QStringLiteral("codice"),
                                      QStringLiteral("frequenza"),
                                      QStringLiteral("banda_uhf"),
                                      QStringLiteral("firmware_m6"),
                                      QStringLiteral("esito"),
                                      QStringLiteral("copia_di_sicurezza"),
                                      QStringLiteral("configurazione")};
    if (alias.isEmpty())
        return names.join(QStringLiteral(", "));
    QStringList qualified;
    for (const QString& n : names)
        qualified << alias + QLatin1Char('.') + n;
    return qualified.join(QStringLiteral(", "));
}

std::optional<RegisterError> UnitRegister::failed(const QString& what,
                                                  const QString& detail) const {
    if (dialect_ == Dialect::SQLite)
        return RegisterError{QStringLiteral("Registro delle programmazioni \"%1\": %2.")
                                 .arg(QDir::toNativeSeparators(location_), what),
                             detail};
    return RegisterError{QStringLiteral("Registro condiviso %1: %2.").arg(location_, what), detail};
}

std::unique_ptr<UnitRegister> UnitRegister::openFile(const QString& path, RegisterError* error,
                                                     int schemaVersion) {
    std::unique_ptr<UnitRegister> reg(new UnitRegister(Dialect::SQLite, path));
    const auto fail = [&](const QString& what, const QString& detail) {
        *error = *reg->failed(what, detail);
        return nullptr;
    };
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return fail(QStringLiteral("manca il supporto SQLite di Qt (pacchetto "
                                   "libqt6sql6-sqlite): installarlo"),
                    {});
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return fail(QStringLiteral("la cartella non esiste e non può essere creata: verificare i "
                                   "permessi"),
                    {});
    reg->db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), reg->connection_);
    reg->db_.setDatabaseName(path);
    reg->db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!reg->db_.open())
        return fail(QStringLiteral("il file non si apre: verificare i permessi"),
                    reg->db_.lastError().text());
    // WAL: readers never wait for a writer and a write is one append; FULL: a write reported
    // done is on the disk.
    QSqlQuery q(reg->db_);
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) ||
        !q.exec(QStringLiteral("PRAGMA synchronous=FULL")))
        return fail(QStringLiteral("il file non è un registro o è danneggiato"),
                    q.lastError().text());
    q.finish();
    if (auto e = schema::upgrade(reg->db_, Dialect::SQLite, schemaVersion)) {
        *error = RegisterError{QStringLiteral("Registro delle programmazioni \"%1\": %2")
                                   .arg(QDir::toNativeSeparators(path), e->message),
                               e->detail};
        return nullptr;
    }
    return reg;
}

std::unique_ptr<UnitRegister> UnitRegister::openServer(const ServerAddress& address,
                                                       RegisterError* error, int connectTimeoutS,
                                                       int schemaVersion) {
    std::unique_ptr<UnitRegister> reg(new UnitRegister(Dialect::PostgreSQL, address.shown()));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        *error = *reg->failed(QStringLiteral("manca il supporto PostgreSQL di Qt (pacchetto "
                                             "libqt6sql6-psql): installarlo"),
                              {});
        return nullptr;
    }
    reg->db_ = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), reg->connection_);
    reg->db_.setHostName(address.host);
    reg->db_.setPort(address.port);
    reg->db_.setUserName(address.user);
    reg->db_.setPassword(address.password);
    reg->db_.setDatabaseName(address.database);
    // Keepalives: a server that vanishes mid-transfer is noticed in seconds, not hours.
    QStringList options = {QStringLiteral("connect_timeout=%1").arg(qMax(2, connectTimeoutS)),
                           QStringLiteral("application_name=selvanam"),
                           QStringLiteral("keepalives=1"),
                           QStringLiteral("keepalives_idle=5"),
                           QStringLiteral("keepalives_interval=2"),
                           QStringLiteral("keepalives_count=3")};
    for (auto it = address.options.cbegin(); it != address.options.cend(); ++it)
        options << it.key() + QLatin1Char('=') + it.value();
    reg->db_.setConnectOptions(options.join(QLatin1Char(';')));
    if (!reg->db_.open()) {
        *error = *reg->failed(QStringLiteral("il server non risponde o rifiuta la connessione"),
                              reg->db_.lastError().text());
        return nullptr;
    }
    QSqlQuery(reg->db_).exec(QStringLiteral("SET client_min_messages TO warning"));
    if (auto e = schema::upgrade(reg->db_, Dialect::PostgreSQL, schemaVersion)) {
        *error = RegisterError{
            QStringLiteral("Registro condiviso %1: %2").arg(reg->location_, e->message), e->detail};
        return nullptr;
    }
    return reg;
}

std::optional<RegisterError> UnitRegister::begin() {
    QSqlQuery q(db_);
    const bool file = dialect_ == Dialect::SQLite;
    if (!q.exec(file ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN")))
        return failed(QStringLiteral("la scrittura non può iniziare"), q.lastError().text());
    if (!file && !q.exec(QStringLiteral("LOCK TABLE programmazioni IN SHARE ROW EXCLUSIVE MODE"))) {
        const QString detail = q.lastError().text();
        rollback();
        return failed(QStringLiteral("la scrittura non può iniziare"), detail);
    }
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::commit() {
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("COMMIT"))) {
        const QString detail = q.lastError().text();
        rollback();
        return failed(QStringLiteral("la scrittura non si conclude"), detail);
    }
    return std::nullopt;
}

void UnitRegister::rollback() {
    if (db_.isOpen())
        QSqlQuery(db_).exec(QStringLiteral("ROLLBACK"));
}

std::optional<RegisterError> UnitRegister::insert(const UnitRecord& r, bool queue, bool* added) {
    if (r.id.isEmpty() || !r.time.isValid())
        return failed(QStringLiteral("la programmazione non si registra"),
                      QStringLiteral("record without id or time"));
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("INSERT INTO programmazioni (%1) VALUES "
                             "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                             "ON CONFLICT (id) DO NOTHING")
                  .arg(columns()));
    bindRecord(q, r);
    if (!q.exec())
        return failed(QStringLiteral("la programmazione non si registra"), q.lastError().text());
    if (added)
        *added = q.numRowsAffected() > 0;
    if (queue) {
        QSqlQuery p(db_);
        p.prepare(QStringLiteral("INSERT INTO da_inviare (id) VALUES (?) "
                                 "ON CONFLICT (id) DO NOTHING"));
        p.addBindValue(r.id);
        if (!p.exec())
            return failed(QStringLiteral("la programmazione non si registra"),
                          p.lastError().text());
    }
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::record(UnitRecord& r) {
    UnitRecord stored = r;
    if (stored.id.isEmpty())
        stored.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!stored.time.isValid())
        stored.time = QDateTime::currentDateTimeUtc();
    stored.time = stored.time.toUTC();
    stored.serialNumber = stored.serialNumber.trimmed().toUpper();
    if (auto e = begin())
        return e;
    if (auto e = insert(stored, dialect_ == Dialect::SQLite)) {
        rollback();
        return e;
    }
    if (auto e = commit())
        return e;
    r = stored;
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::select(const QString& sql, const QVariantList& values,
                                                  QList<UnitRecord>& out) {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        return failed(QStringLiteral("la ricerca non riesce"), q.lastError().text());
    out.clear();
    while (q.next())
        out << recordFrom(q);
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::records(const RegisterFilter& filter,
                                                   QList<UnitRecord>& out, int limit) {
    QVariantList values;
    QString sql = QStringLiteral("SELECT %1 FROM programmazioni p WHERE %2 "
                                 "ORDER BY p.data_ora DESC, p.id DESC")
                      .arg(columns(QStringLiteral("p")), conditions(filter, values));
    if (limit > 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);
    return select(sql, values, out);
}

std::optional<RegisterError> UnitRegister::units(const RegisterFilter& filter,
                                                 QList<UnitRecord>& out) {
    QVariantList values;
    const QString sql =
        QStringLiteral("SELECT %1 FROM programmazioni p WHERE %2 AND NOT EXISTS "
                       "(SELECT 1 FROM programmazioni q WHERE q.numero_di_serie = "
                       "p.numero_di_serie AND (q.data_ora > p.data_ora OR (q.data_ora = "
                       "p.data_ora AND q.id > p.id))) "
                       "ORDER BY p.sito, p.data_ora, p.numero_di_serie")
            .arg(columns(QStringLiteral("p")), conditions(filter, values));
    return select(sql, values, out);
}

std::optional<RegisterError> UnitRegister::duplicateOf(const QString& serialNumber, int protocol,
                                                       int network, int peripheralCode,
                                                       std::optional<UnitRecord>& other) {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM programmazioni p WHERE p.protocollo = ? AND "
                             "p.rete = ? AND p.codice = ? AND p.numero_di_serie <> ? AND %2 "
                             "ORDER BY p.data_ora DESC LIMIT 1")
                  .arg(columns(QStringLiteral("p")), QLatin1String(kMayStillHold)));
    q.addBindValue(protocol);
    q.addBindValue(network);
    q.addBindValue(peripheralCode);
    q.addBindValue(serialNumber.trimmed().toUpper());
    if (!q.exec())
        return failed(QStringLiteral("il controllo dei codici doppi non riesce"),
                      q.lastError().text());
    other.reset();
    if (q.next())
        other = recordFrom(q);
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::freeCode(int protocol, int network, int first, int last,
                                                    const QSet<int>& takenInRun,
                                                    std::optional<int>& code,
                                                    const QString& ignoredSerial) {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT DISTINCT p.codice FROM programmazioni p WHERE "
                             "p.protocollo = ? AND p.rete = ? AND p.codice BETWEEN ? AND ? AND "
                             "p.numero_di_serie <> ? AND %1")
                  .arg(QLatin1String(kMayStillHold)));
    q.addBindValue(protocol);
    q.addBindValue(network);
    q.addBindValue(first);
    q.addBindValue(last);
    // A null text binds as NULL, and "<> NULL" would leave out every row.
    const QString ignored = ignoredSerial.trimmed().toUpper();
    q.addBindValue(ignored.isNull() ? QStringLiteral("") : ignored);
    if (!q.exec())
        return failed(QStringLiteral("la scelta del codice non riesce"), q.lastError().text());
    QSet<int> taken = takenInRun;
    while (q.next())
        taken.insert(q.value(0).toInt());
    code.reset();
    for (int c = first; c <= last; ++c) {
        if (!taken.contains(c)) {
            code = c;
            break;
        }
    }
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::count(int& records) {
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM programmazioni")) || !q.next())
        return failed(QStringLiteral("il registro non si legge"), q.lastError().text());
    records = q.value(0).toInt();
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::value(const QString& key, QString& value) {
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("SELECT valore FROM stato WHERE chiave = ?"));
    q.addBindValue(key);
    if (!q.exec())
        return failed(QStringLiteral("il registro non si legge"), q.lastError().text());
    value = q.next() ? q.value(0).toString() : QString();
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::setValue(const QString& key, const QString& value) {
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("INSERT INTO stato (chiave, valore) VALUES (?, ?) "
                             "ON CONFLICT (chiave) DO UPDATE SET valore = excluded.valore"));
    q.addBindValue(key);
    q.addBindValue(text(value));
    if (!q.exec())
        return failed(QStringLiteral("il registro non si aggiorna"), q.lastError().text());
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::pending(int limit, QList<UnitRecord>& out) {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM programmazioni p JOIN da_inviare d ON d.id = p.id "
                             "ORDER BY p.seq LIMIT ?")
                  .arg(columns(QStringLiteral("p"))));
    q.addBindValue(limit);
    if (!q.exec())
        return failed(QStringLiteral("il registro non si legge"), q.lastError().text());
    out.clear();
    while (q.next())
        out << recordFrom(q);
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::pendingCount(int& count) {
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM da_inviare")) || !q.next())
        return failed(QStringLiteral("il registro non si legge"), q.lastError().text());
    count = q.value(0).toInt();
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::markSent(const QStringList& ids) {
    if (ids.isEmpty())
        return std::nullopt;
    if (auto e = begin())
        return e;
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("DELETE FROM da_inviare WHERE id = ?"));
    for (const QString& id : ids) {
        q.addBindValue(id);
        if (!q.exec()) {
            const QString detail = q.lastError().text();
            rollback();
            return failed(QStringLiteral("il registro non si aggiorna"), detail);
        }
    }
    return commit();
}

std::optional<RegisterError> UnitRegister::queueAll() {
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("INSERT INTO da_inviare (id) SELECT id FROM programmazioni "
                               "WHERE 1 = 1 ON CONFLICT (id) DO NOTHING")))
        return failed(QStringLiteral("il registro non si aggiorna"), q.lastError().text());
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::identity(QString& id) {
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("INSERT INTO stato (chiave, valore) VALUES ('identita', ?) "
                             "ON CONFLICT (chiave) DO NOTHING"));
    q.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
    if (!q.exec())
        return failed(QStringLiteral("il registro non si aggiorna"), q.lastError().text());
    return value(QStringLiteral("identita"), id);
}

std::optional<RegisterError> UnitRegister::lastNumber(qint64& last) {
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("SELECT COALESCE(MAX(seq), 0) FROM programmazioni")) || !q.next())
        return failed(QStringLiteral("il registro non si legge"), q.lastError().text());
    last = q.value(0).toLongLong();
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::numbered(qint64 after, int limit, QList<UnitRecord>& out,
                                                    qint64& last) {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1, seq FROM programmazioni WHERE seq > ? ORDER BY seq "
                             "LIMIT ?")
                  .arg(columns()));
    q.addBindValue(after);
    q.addBindValue(limit);
    if (!q.exec())
        return failed(QStringLiteral("il registro non si legge"), q.lastError().text());
    out.clear();
    last = after;
    while (q.next()) {
        out << recordFrom(q);
        last = q.value(15).toLongLong();
    }
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::storeReceived(const QList<UnitRecord>& received,
                                                         const QString& cursorKey,
                                                         const QString& cursor, int* added) {
    if (auto e = begin())
        return e;
    int count = 0;
    for (const UnitRecord& r : received) {
        bool inserted = false;
        if (auto e = insert(r, false, &inserted)) {
            rollback();
            return e;
        }
        count += inserted ? 1 : 0;
    }
    if (auto e = setValue(cursorKey, cursor)) {
        rollback();
        return e;
    }
    if (auto e = commit())
        return e;
    if (added)
        *added = count;
    return std::nullopt;
}

} // namespace selvana::registry
