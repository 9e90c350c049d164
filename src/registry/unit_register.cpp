#include "registry/unit_register.h"

#include "registry/record_text.h"
#include "registry/server_diagnosis.h"

#include <QAtomicInt>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>
#include <QVariant>

namespace selvana::registry {

namespace {

// The columns of a record (UnitRegister::columns()); "seq" follows them where it is read.
constexpr int kRecordColumns = 18;

// Long enough for another program's write (a few milliseconds) even on a slow disk.
constexpr int kBusyTimeoutMs = 20000;
constexpr int kSqliteBusy = 5; // SQLITE_BUSY, the primary code of an extended one too

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

// Lines in one column, joined by line breaks; a column read back gives the same lines, and the
// same text again, whatever it holds.
QString joinedLines(const QStringList& lines) {
    return lines.join(QLatin1Char('\n'));
}

QStringList splitLines(const QString& text) {
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
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
    r.changes = splitLines(q.value(at + 15).toString());
    // A key that a newer program may add reads as nothing known.
    r.verification =
        verificationFromKey(q.value(at + 16).toString()).value_or(Verification::NotAsked);
    r.verificationDifferences = splitLines(q.value(at + 17).toString());
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
    q.addBindValue(text(joinedLines(r.changes)));
    q.addBindValue(text(verificationKey(r.verification)));
    q.addBindValue(text(joinedLines(r.verificationDifferences)));
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

// Rows of `p` that a peripheral may still hold: written or unanswered, and no later write of
// the same peripheral succeeded.
QString mayStillHold(const QString& p = QStringLiteral("p")) {
    return QStringLiteral("%1.esito IN ('scritta', 'nessuna_risposta') AND NOT EXISTS (SELECT 1 "
                          "FROM programmazioni %1_dopo WHERE %1_dopo.numero_di_serie = "
                          "%1.numero_di_serie AND %1_dopo.esito = 'scritta' AND "
                          "%1_dopo.data_ora > %1.data_ora)")
        .arg(p);
}

// The database's own present time, `minutes` ahead, as the text the tables keep: computers
// whose clocks are wrong still agree on when a reservation expires.
QString clockText(Dialect dialect, int minutes = 0) {
    if (dialect == Dialect::SQLite)
        return QStringLiteral("strftime('%Y-%m-%dT%H:%M:%fZ', 'now', '+%1 minutes')").arg(minutes);
    return QStringLiteral("to_char((now() + interval '%1 minutes') AT TIME ZONE 'UTC', "
                          "'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')")
        .arg(minutes);
}

const char* kReservationColumns =
    "protocollo, rete, codice, numero_di_serie, proprietario, installatore, computer, data_ora";

Reservation reservationFrom(const QSqlQuery& q) {
    Reservation r;
    r.protocol = q.value(0).toInt();
    r.network = q.value(1).toInt();
    r.peripheralCode = q.value(2).toInt();
    r.serialNumber = q.value(3).toString();
    r.owner = q.value(4).toString();
    r.installer = q.value(5).toString();
    r.computer = q.value(6).toString();
    r.time = QDateTime::fromString(q.value(7).toString(), Qt::ISODateWithMs);
    return r;
}

QString serialKey(const QString& serial) {
    return text(serial.trimmed().toUpper());
}

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
                                      QStringLiteral("configurazione"),
                                      QStringLiteral("modifiche"),
                                      QStringLiteral("verifica"),
                                      QStringLiteral("differenze")};
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
    // done is on the disk. While another program makes the same new file, the change of journal
    // is refused as busy at once, without the busy timeout's wait: it is tried again until then.
    QSqlQuery q(reg->db_);
    QElapsedTimer waited;
    waited.start();
    bool wal = false;
    while (!(wal = q.exec(QStringLiteral("PRAGMA journal_mode=WAL"))) &&
           (q.lastError().nativeErrorCode().toInt() & 0xff) == kSqliteBusy &&
           waited.elapsed() < kBusyTimeoutMs)
        QThread::msleep(2);
    if (!wal || !q.exec(QStringLiteral("PRAGMA synchronous=FULL")))
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
    std::unique_ptr<UnitRegister> reg(new UnitRegister(Dialect::PostgreSQL, address.displayed()));
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
    const int timeoutS = qMax(2, connectTimeoutS);
    ConnectionOptions options = {{QStringLiteral("connect_timeout"), QString::number(timeoutS)},
                                 {QStringLiteral("application_name"), QStringLiteral("selvanam")},
                                 {QStringLiteral("keepalives"), QStringLiteral("1")},
                                 {QStringLiteral("keepalives_idle"), QStringLiteral("5")},
                                 {QStringLiteral("keepalives_interval"), QStringLiteral("2")},
                                 {QStringLiteral("keepalives_count"), QStringLiteral("3")}};
    for (auto it = address.options.cbegin(); it != address.options.cend(); ++it)
        options.append({it.key(), it.value()});
    // Quoted as libpq reads them: a blank or a quote in a value stays in it.
    QStringList settings;
    for (const auto& [key, value] : options) {
        QString quoted = value;
        quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        quoted.replace(QLatin1Char('\''), QStringLiteral("\\'"));
        settings << key + QStringLiteral("='") + quoted + QLatin1Char('\'');
    }
    reg->db_.setConnectOptions(settings.join(QLatin1Char(';')));
    QElapsedTimer took;
    took.start();
    if (!reg->db_.open()) {
        const ConnectionFault why = diagnoseConnection(address, options, timeoutS, took.elapsed(),
                                                       reg->db_.lastError().text());
        *error = *reg->failed(why.what, why.detail);
        error->fault = why.fault;
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
    q.prepare(
        QStringLiteral("INSERT INTO programmazioni (%1) VALUES (%2) "
                       "ON CONFLICT (id) DO NOTHING")
            .arg(columns(),
                 QStringList(kRecordColumns, QStringLiteral("?")).join(QStringLiteral(", "))));
    bindRecord(q, r);
    if (!q.exec())
        return failed(QStringLiteral("la programmazione non si registra"), q.lastError().text());
    const bool inserted = q.numRowsAffected() > 0;
    if (added)
        *added = inserted;
    // The same write met again: what reading its unit back showed may have come since.
    bool verified = false;
    if (!inserted) {
        if (auto e = updateVerification(r, false, verified))
            return e;
    }
    // A record met again (a batch sent twice) leaves alone a reservation made since.
    if (inserted) {
        QSqlQuery d(db_);
        d.prepare(QStringLiteral("DELETE FROM prenotazioni WHERE numero_di_serie = ? AND "
                                 "protocollo = ? AND rete = ? AND codice = ?"));
        d.addBindValue(serialKey(r.serialNumber));
        d.addBindValue(r.protocol);
        d.addBindValue(r.network);
        d.addBindValue(r.peripheralCode);
        if (!d.exec())
            return failed(QStringLiteral("la programmazione non si registra"),
                          d.lastError().text());
    }
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
    stored.changes = recordLines(stored.changes);
    stored.verificationDifferences = recordLines(stored.verificationDifferences);
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

// Inside a write transaction. A row waiting to be sent holds this computer's newest facts: a copy
// coming from the server leaves it alone. On the server the row takes a new number, so that the
// other copies, reading on from where they stopped, get it again.
std::optional<RegisterError> UnitRegister::updateVerification(const UnitRecord& r, bool ownFacts,
                                                              bool& changed) {
    const QString renumbered =
        dialect_ == Dialect::PostgreSQL
            ? QStringLiteral(", seq = nextval(pg_get_serial_sequence('programmazioni', 'seq'))")
            : QString();
    const QString unlessWaiting =
        ownFacts ? QString() : QStringLiteral(" AND id NOT IN (SELECT id FROM da_inviare)");
    QSqlQuery q(db_);
    q.prepare(
        QStringLiteral("UPDATE programmazioni SET verifica = ?, differenze = ?%1 WHERE id = ? "
                       "AND (verifica <> ? OR differenze <> ?)%2")
            .arg(renumbered, unlessWaiting));
    const QString key = text(verificationKey(r.verification));
    const QString differences = text(joinedLines(r.verificationDifferences));
    q.addBindValue(key);
    q.addBindValue(differences);
    q.addBindValue(text(r.id));
    q.addBindValue(key);
    q.addBindValue(differences);
    if (!q.exec())
        return failed(QStringLiteral("la verifica della programmazione non si registra"),
                      q.lastError().text());
    changed = q.numRowsAffected() > 0;
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::recordVerification(const QString& id,
                                                              Verification verification,
                                                              const QStringList& differences) {
    UnitRecord r;
    r.id = id;
    r.verification = verification;
    r.verificationDifferences = recordLines(differences);
    const auto abandon = [this](const std::optional<RegisterError>& e) {
        rollback();
        return e;
    };
    if (auto e = begin())
        return e;
    QSqlQuery known(db_);
    known.prepare(QStringLiteral("SELECT 1 FROM programmazioni WHERE id = ?"));
    known.addBindValue(text(id));
    if (!known.exec())
        return abandon(failed(QStringLiteral("la verifica della programmazione non si registra"),
                              known.lastError().text()));
    if (!known.next())
        return abandon(failed(QStringLiteral("la verifica non si registra: la sua programmazione "
                                             "non è nel registro"),
                              QStringLiteral("no record %1").arg(id)));
    known.finish();
    bool changed = false;
    if (auto e = updateVerification(r, true, changed))
        return abandon(e);
    if (changed && dialect_ == Dialect::SQLite) {
        QSqlQuery p(db_);
        p.prepare(QStringLiteral("INSERT INTO da_inviare (id) VALUES (?) "
                                 "ON CONFLICT (id) DO NOTHING"));
        p.addBindValue(text(id));
        if (!p.exec())
            return abandon(failed(QStringLiteral("la verifica della programmazione non si "
                                                 "registra"),
                                  p.lastError().text()));
    }
    return commit();
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
                  .arg(columns(QStringLiteral("p")), mayStillHold()));
    q.addBindValue(protocol);
    q.addBindValue(network);
    q.addBindValue(peripheralCode);
    // A null text binds as NULL, and "<> NULL" would leave out every row.
    q.addBindValue(serialKey(serialNumber));
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
                                                    const QString& ignoredSerial,
                                                    const QString& owner) {
    Q_UNUSED(owner) // reservations of another unit hold its code whoever made them
    // A null text binds as NULL, and "<> NULL" would leave out every row.
    const QString ignored = serialKey(ignoredSerial);
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT p.codice FROM programmazioni p WHERE p.protocollo = ? AND "
                             "p.rete = ? AND p.codice BETWEEN ? AND ? AND p.numero_di_serie <> ? "
                             "AND %1 UNION SELECT codice FROM prenotazioni WHERE protocollo = ? "
                             "AND rete = ? AND codice BETWEEN ? AND ? AND numero_di_serie <> ? "
                             "AND scadenza > %2")
                  .arg(mayStillHold(), clockText(dialect_)));
    for (int table = 0; table < 2; ++table) {
        q.addBindValue(protocol);
        q.addBindValue(network);
        q.addBindValue(first);
        q.addBindValue(last);
        q.addBindValue(ignored);
    }
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

std::optional<RegisterError> UnitRegister::reservationOf(const Reservation& wanted, bool anyUnit,
                                                         std::optional<Reservation>& found) {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    const QString holding =
        anyUnit ? QStringLiteral("1 = 1")
                : QStringLiteral("numero_di_serie <> ? AND scadenza > %1").arg(clockText(dialect_));
    q.prepare(QStringLiteral("SELECT %1 FROM prenotazioni WHERE protocollo = ? AND rete = ? AND "
                             "codice = ? AND %2")
                  .arg(QLatin1String(kReservationColumns), holding));
    q.addBindValue(wanted.protocol);
    q.addBindValue(wanted.network);
    q.addBindValue(wanted.peripheralCode);
    if (!anyUnit)
        q.addBindValue(serialKey(wanted.serialNumber));
    if (!q.exec())
        return failed(QStringLiteral("il controllo dei codici doppi non riesce"),
                      q.lastError().text());
    found.reset();
    if (q.next())
        found = reservationFrom(q);
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::holderOf(const Reservation& wanted,
                                                    std::optional<CodeHolder>& holder) {
    holder.reset();
    CodeHolder found;
    if (auto e = duplicateOf(wanted.serialNumber, wanted.protocol, wanted.network,
                             wanted.peripheralCode, found.unit))
        return e;
    if (auto e = reservationOf(wanted, false, found.reservation))
        return e;
    if (found.unit || found.reservation)
        holder = found;
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::dropExpired() {
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("DELETE FROM prenotazioni WHERE scadenza <= %1")
                    .arg(clockText(dialect_))))
        return failed(QStringLiteral("la prenotazione del codice non riesce"),
                      q.lastError().text());
    return std::nullopt;
}

// Inside a write transaction, after the checks: one code per unit and program run, so the run's
// earlier reservation of the unit goes. A reservation of the same unit by another run (one that
// ended without releasing it: the unit cannot be written by two at once) passes to this one.
std::optional<RegisterError> UnitRegister::take(const Reservation& r, bool& taken) {
    const auto broken = [this](const QSqlQuery& q) {
        return failed(QStringLiteral("la prenotazione del codice non riesce"),
                      q.lastError().text());
    };
    QSqlQuery d(db_);
    d.prepare(QStringLiteral("DELETE FROM prenotazioni WHERE proprietario = ? AND "
                             "numero_di_serie = ? AND NOT (protocollo = ? AND rete = ? AND "
                             "codice = ?)"));
    d.addBindValue(text(r.owner));
    d.addBindValue(serialKey(r.serialNumber));
    d.addBindValue(r.protocol);
    d.addBindValue(r.network);
    d.addBindValue(r.peripheralCode);
    if (!d.exec())
        return broken(d);
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("INSERT INTO prenotazioni (%1, scadenza) VALUES "
                             "(?, ?, ?, ?, ?, ?, ?, %2, %3) "
                             "ON CONFLICT (protocollo, rete, codice) DO UPDATE SET "
                             "proprietario = excluded.proprietario, "
                             "installatore = excluded.installatore, "
                             "computer = excluded.computer, data_ora = excluded.data_ora, "
                             "scadenza = excluded.scadenza "
                             "WHERE prenotazioni.numero_di_serie = excluded.numero_di_serie")
                  .arg(QLatin1String(kReservationColumns), clockText(dialect_),
                       clockText(dialect_, kReservationLifetimeMinutes)));
    q.addBindValue(r.protocol);
    q.addBindValue(r.network);
    q.addBindValue(r.peripheralCode);
    q.addBindValue(serialKey(r.serialNumber));
    q.addBindValue(text(r.owner));
    q.addBindValue(text(r.installer));
    q.addBindValue(text(r.computer));
    if (!q.exec())
        return broken(q);
    taken = q.numRowsAffected() > 0;
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::reserve(const Reservation& wanted,
                                                   std::optional<CodeHolder>& holder) {
    holder.reset();
    if (auto e = begin())
        return e;
    const auto abandon = [this](const RegisterError& e) {
        rollback();
        return std::optional<RegisterError>(e);
    };
    if (auto e = dropExpired())
        return abandon(*e);
    if (auto e = holderOf(wanted, holder))
        return abandon(*e);
    bool taken = false;
    if (!holder) {
        if (auto e = take(wanted, taken))
            return abandon(*e);
    }
    if (!holder && !taken) {
        // Only the unique key saw it: a row the check missed, whatever made it.
        CodeHolder other;
        if (auto e = reservationOf(wanted, true, other.reservation))
            return abandon(*e);
        holder = other;
    }
    return commit();
}

std::optional<RegisterError> UnitRegister::reserveFreeCode(const Reservation& wanted, int first,
                                                           int last, const QSet<int>& takenInRun,
                                                           std::optional<int>& code) {
    code.reset();
    if (auto e = begin())
        return e;
    const auto abandon = [this](const RegisterError& e) {
        rollback();
        return std::optional<RegisterError>(e);
    };
    if (auto e = dropExpired())
        return abandon(*e);
    Reservation r = wanted;
    QSet<int> skipped = takenInRun;
    for (;;) {
        std::optional<int> free;
        if (auto e = freeCode(r.protocol, r.network, first, last, skipped, free, r.serialNumber,
                              r.owner))
            return abandon(*e);
        if (!free)
            break;
        r.peripheralCode = *free;
        bool taken = false;
        if (auto e = take(r, taken))
            return abandon(*e);
        if (taken) {
            code = free;
            break;
        }
        skipped.insert(*free); // held by a row only the unique key saw
    }
    if (auto e = commit()) {
        code.reset();
        return e;
    }
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::release(const QString& owner,
                                                   const QString& serialNumber) {
    QSqlQuery q(db_);
    const bool one = !serialNumber.trimmed().isEmpty();
    q.prepare(one ? QStringLiteral("DELETE FROM prenotazioni WHERE proprietario = ? AND "
                                   "numero_di_serie = ?")
                  : QStringLiteral("DELETE FROM prenotazioni WHERE proprietario = ?"));
    q.addBindValue(text(owner));
    if (one)
        q.addBindValue(serialKey(serialNumber));
    if (!q.exec())
        return failed(QStringLiteral("la prenotazione del codice non si annulla"),
                      q.lastError().text());
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::reservations(QList<Reservation>& out) {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM prenotazioni WHERE scadenza > %2 "
                               "ORDER BY data_ora, protocollo, rete, codice")
                    .arg(QLatin1String(kReservationColumns), clockText(dialect_))))
        return failed(QStringLiteral("il registro non si legge"), q.lastError().text());
    out.clear();
    while (q.next())
        out << reservationFrom(q);
    return std::nullopt;
}

std::optional<RegisterError> UnitRegister::duplicates(QList<DuplicateCode>& out) {
    // Each unit's newest holding write of a code that another unit holds too.
    const QString sql =
        QStringLiteral("SELECT %1 FROM programmazioni p WHERE %2 AND NOT EXISTS (SELECT 1 FROM "
                       "programmazioni n WHERE n.numero_di_serie = p.numero_di_serie AND "
                       "n.protocollo = p.protocollo AND n.rete = p.rete AND n.codice = p.codice "
                       "AND n.esito IN ('scritta', 'nessuna_risposta') AND (n.data_ora > "
                       "p.data_ora OR (n.data_ora = p.data_ora AND n.id > p.id))) AND EXISTS "
                       "(SELECT 1 FROM programmazioni o WHERE o.protocollo = p.protocollo AND "
                       "o.rete = p.rete AND o.codice = p.codice AND o.numero_di_serie <> "
                       "p.numero_di_serie AND %3) "
                       "ORDER BY p.protocollo, p.rete, p.codice, p.data_ora, p.id")
            .arg(columns(QStringLiteral("p")), mayStillHold(), mayStillHold(QStringLiteral("o")));
    QList<UnitRecord> rows;
    if (auto e = select(sql, {}, rows))
        return failed(QStringLiteral("il controllo dei codici doppi non riesce"), e->detail);
    out.clear();
    for (const UnitRecord& r : rows) {
        if (out.isEmpty() || out.last().protocol != r.protocol || out.last().network != r.network ||
            out.last().peripheralCode != r.peripheralCode)
            out << DuplicateCode{r.protocol, r.network, r.peripheralCode, {}};
        out.last().units << r;
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

std::optional<RegisterError> UnitRegister::markSent(const QList<UnitRecord>& sent) {
    if (sent.isEmpty())
        return std::nullopt;
    if (auto e = begin())
        return e;
    // A verification recorded while the record was on its way keeps it queued.
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("DELETE FROM da_inviare WHERE id IN (SELECT id FROM programmazioni "
                             "WHERE id = ? AND verifica = ? AND differenze = ?)"));
    for (const UnitRecord& r : sent) {
        q.addBindValue(text(r.id));
        q.addBindValue(text(verificationKey(r.verification)));
        q.addBindValue(text(joinedLines(r.verificationDifferences)));
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
        last = q.value(kRecordColumns).toLongLong();
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
