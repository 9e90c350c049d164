#include "registry/server_diagnosis.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QUuid>

#include <libpq-fe.h>

#include <cerrno>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#endif

namespace selvana::registry {

namespace {

using Parameters = ConnectionOptions;

// What one connection attempt of libpq ended with.
struct Attempt {
    bool connected = false;
    bool timedOut = false;
    bool needsPassword = false;
    QString sqlState;   // the server's, when it refused
    QString serverText; // the server's own words after it
    QString message;    // libpq's whole message
    QString sslmode;    // as libpq took it: the address's, PGSSLMODE's or the default

    // The server answered: whatever it said, the way to it works.
    bool reached() const { return connected || needsPassword || !sqlState.isEmpty(); }
};

// Waits until the socket can be read or written, at most `ms`; false when the time ran out.
bool ready(int socket, bool reading, qint64 ms) {
    if (socket < 0)
        return true; // libpq tells the failure at the next poll
#ifdef _WIN32
    WSAPOLLFD fd{};
    fd.fd = static_cast<SOCKET>(socket);
    fd.events = reading ? POLLRDNORM : POLLWRNORM;
    return WSAPoll(&fd, 1, static_cast<INT>(ms)) != 0;
#else
    pollfd fd{socket, static_cast<short>(reading ? POLLIN : POLLOUT), 0};
    int n = 0;
    do {
        n = ::poll(&fd, 1, static_cast<int>(ms));
    } while (n < 0 && errno == EINTR);
    return n != 0;
#endif
}

Attempt attempt(const Parameters& parameters, const QDeadlineTimer& deadline) {
    QList<QByteArray> keys;
    QList<QByteArray> values;
    for (const auto& [key, value] : parameters) {
        keys << key.toUtf8();
        values << value.toUtf8();
    }
    std::vector<const char*> k;
    std::vector<const char*> v;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        k.push_back(keys[i].constData());
        v.push_back(values[i].constData());
    }
    k.push_back(nullptr);
    v.push_back(nullptr);

    Attempt a;
    PGconn* conn = PQconnectStartParams(k.data(), v.data(), 0);
    if (!conn) {
        a.message = QStringLiteral("libpq: out of memory");
        return a;
    }
    // Before anything is read: a FATAL of the server then carries its SQLSTATE.
    PQsetErrorVerbosity(conn, PQERRORS_VERBOSE);
    PostgresPollingStatusType status =
        PQstatus(conn) == CONNECTION_BAD ? PGRES_POLLING_FAILED : PGRES_POLLING_WRITING;
    while (status == PGRES_POLLING_READING || status == PGRES_POLLING_WRITING) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0 || !ready(PQsocket(conn), status == PGRES_POLLING_READING, left)) {
            a.timedOut = true;
            break;
        }
        status = PQconnectPoll(conn);
    }
    a.connected = status == PGRES_POLLING_OK;
    a.needsPassword = !a.connected && PQconnectionNeedsPassword(conn);
    a.message = QString::fromLocal8Bit(PQerrorMessage(conn)).trimmed();
    // "SEVERITY:  SQLSTATE: text", the severity in the server's language.
    static const QRegularExpression refusal(QStringLiteral(R"(:  ([0-9A-Z]{5}): ([^\n]*))"));
    if (const auto m = refusal.match(a.message); m.hasMatch()) {
        a.sqlState = m.captured(1);
        a.serverText = m.captured(2).trimmed();
    }
    if (PQconninfoOption* info = PQconninfo(conn)) {
        for (PQconninfoOption* o = info; o->keyword; ++o) {
            if (qstrcmp(o->keyword, "sslmode") == 0 && o->val)
                a.sslmode = QString::fromUtf8(o->val);
        }
        PQconninfoFree(info);
    }
    PQfinish(conn);
    return a;
}

// The parameters with `key` set to `value` (added when missing), or taken out for a null value.
Parameters with(Parameters parameters, const QString& key, const QString& value) {
    for (qsizetype i = 0; i < parameters.size(); ++i) {
        if (parameters[i].first == key) {
            if (value.isNull())
                parameters.removeAt(i);
            else
                parameters[i].second = value;
            return parameters;
        }
    }
    if (!value.isNull())
        parameters.append({key, value});
    return parameters;
}

// A path that does not exist.
QString nowhere() {
    return QDir::tempPath() + QStringLiteral("/selvana-") +
           QUuid::createUuid().toString(QUuid::Id128);
}

QSet<QString> libpqKeywords() {
    QSet<QString> known;
    if (PQconninfoOption* defaults = PQconndefaults()) {
        for (PQconninfoOption* o = defaults; o->keyword; ++o)
            known.insert(QString::fromUtf8(o->keyword));
        PQconninfoFree(defaults);
    }
    return known;
}

// The option of the address that libpq refuses before it reaches for the network, if any: each
// is tried alone on a socket folder that does not exist, and one whose failure reads otherwise
// than that of no option at all is the one. libpq's words are only compared with each other.
std::optional<QString> refusedOption(const ServerAddress& address) {
    const Parameters base = {{QStringLiteral("host"), nowhere()},
                             {QStringLiteral("port"), QString::number(address.port)},
                             {QStringLiteral("user"), address.user},
                             {QStringLiteral("dbname"), address.database}};
    constexpr qint64 kInstantMs = 1000;
    const QString plain = attempt(base, QDeadlineTimer(kInstantMs)).message;
    for (auto it = address.options.cbegin(); it != address.options.cend(); ++it) {
        // A host address would send the probe to the network.
        if (it.key() == QLatin1String("hostaddr"))
            continue;
        if (attempt(with(base, it.key(), it.value()), QDeadlineTimer(kInstantMs)).message != plain)
            return it.key() + QLatin1Char('=') + it.value();
    }
    return std::nullopt;
}

// A refusal with SQLSTATE 28000 names a role that does not exist, or one the server's rules
// (pg_hba.conf) or the role's own settings keep out. A role that surely does not exist is asked
// for, in this database and in one that surely does not exist either: when the refusal does not
// depend on the database and reads as the user's, with the names swapped, the user's role does
// not exist.
bool roleUnknown(const Parameters& parameters, const ServerAddress& address, const Attempt& first,
                 const QDeadlineTimer& deadline) {
    const QString role = QStringLiteral("selvana_") + QUuid::createUuid().toString(QUuid::Id128);
    const QString database =
        QStringLiteral("selvana_") + QUuid::createUuid().toString(QUuid::Id128);
    const Parameters asNobody =
        with(with(parameters, QStringLiteral("user"), role), QStringLiteral("password"), QString());
    const Attempt here = attempt(asNobody, deadline);
    if (here.sqlState != first.sqlState)
        return false;
    const Attempt elsewhere = attempt(with(asNobody, QStringLiteral("dbname"), database), deadline);
    return elsewhere.sqlState == first.sqlState && elsewhere.message == here.message &&
           QString(here.message).replace(role, address.user) == first.message;
}

ConnectionFault fault(ServerFault kind, const QString& what, const QString& detail) {
    return {kind, what, detail};
}

ConnectionFault silent(const ServerAddress& address, int timeoutS, const QString& detail) {
    return fault(ServerFault::Silent,
                 QStringLiteral("il server non risponde entro %1 secondi: verificare la rete (un "
                                "firewall può bloccare la porta %2) e che a quell'indirizzo ci sia "
                                "un server PostgreSQL")
                     .arg(timeoutS)
                     .arg(address.port),
                 detail);
}

ConnectionFault unreachable(const QString& detail) {
    return fault(ServerFault::Unreachable,
                 QStringLiteral("il server non risponde: nessun server a questo indirizzo "
                                "(connessione rifiutata, nome del server sconosciuto o rete non "
                                "raggiungibile); verificare il nome del server, la porta e che il "
                                "server sia acceso"),
                 detail);
}

ConnectionFault badOption(const QString& option, bool known, const QString& detail) {
    return fault(ServerFault::BadOption,
                 (known ? QStringLiteral("l'opzione \"%1\" dell'indirizzo non è accettata: "
                                         "correggerla o toglierla dall'indirizzo")
                        : QStringLiteral("l'opzione \"%1\" dell'indirizzo non esiste: correggerla "
                                         "o toglierla dall'indirizzo"))
                     .arg(withoutPassword(option)),
                 detail);
}

ConnectionFault notAllowed(const ServerAddress& address, const QString& detail) {
    return fault(ServerFault::Authentication,
                 QStringLiteral("il server non ammette l'utente \"%1\" al database \"%2\" da "
                                "questo computer: chiedere all'amministratore del server di "
                                "consentirlo (pg_hba.conf, permesso CONNECT, LOGIN dell'utente)")
                     .arg(address.user, address.database),
                 detail);
}

// What the server's refusal means, by its SQLSTATE.
ConnectionFault refused(const Attempt& a, const ServerAddress& address,
                        const Parameters& parameters, const QDeadlineTimer& deadline) {
    const QString& code = a.sqlState;
    if (code == QLatin1String("28P01"))
        return fault(ServerFault::Authentication,
                     QStringLiteral("il server rifiuta la password dell'utente \"%1\": correggere "
                                    "la password (nell'indirizzo, nel file delle password di "
                                    "PostgreSQL o in PGPASSWORD) o il nome dell'utente")
                         .arg(address.user),
                     a.message);
    if (code == QLatin1String("28000"))
        return roleUnknown(parameters, address, a, deadline)
                   ? fault(ServerFault::UnknownRole,
                           QStringLiteral("l'utente \"%1\" non esiste sul server: correggere il "
                                          "nome dell'utente nell'indirizzo o crearlo sul server")
                               .arg(address.user),
                           a.message)
                   : notAllowed(address, a.message);
    if (code == QLatin1String("3D000"))
        return fault(ServerFault::UnknownDatabase,
                     QStringLiteral("il database \"%1\" non esiste sul server: correggere il nome "
                                    "del database nell'indirizzo o crearlo sul server")
                         .arg(address.database),
                     a.message);
    if (code == QLatin1String("42501"))
        return notAllowed(address, a.message);
    // An unknown setting or a value refused, of the address's "options".
    if (code == QLatin1String("42704") || code == QLatin1String("22023"))
        return fault(ServerFault::BadOption,
                     QStringLiteral("il server non accetta un'opzione dell'indirizzo (\"%1\"): "
                                    "correggerla o toglierla dall'indirizzo")
                         .arg(a.serverText),
                     a.message);
    // Too many connections, a server starting or stopping: it passes.
    return fault(ServerFault::Unreachable,
                 QStringLiteral("il server rifiuta la connessione (\"%1\", codice %2)")
                     .arg(a.serverText, code),
                 a.message);
}

ConnectionFault tls(const QString& sslmode, bool certificate, const QString& detail) {
    return fault(ServerFault::Tls,
                 certificate
                     ? QStringLiteral("il certificato del server non si può verificare "
                                      "(sslmode=%1): indicare con sslrootcert il certificato "
                                      "dell'autorità che lo ha firmato e usare il nome del server "
                                      "scritto nel certificato, o chiedere sslmode=require")
                           .arg(sslmode)
                     : QStringLiteral("il server non offre connessioni cifrate (TLS) e l'indirizzo "
                                      "le richiede (sslmode=%1): attivare TLS sul server o "
                                      "togliere sslmode dall'indirizzo")
                           .arg(sslmode),
                 detail);
}

ConnectionFault diagnosed(const ServerAddress& address, const ConnectionOptions& options,
                          int connectTimeoutS, qint64 firstAttemptMs, const QString& driverText) {
    const QSet<QString> known = libpqKeywords();
    for (const auto& [key, value] : options) {
        if (!known.isEmpty() && !known.contains(key))
            return badOption(key, false, driverText);
    }
    const qint64 timeoutMs = 1000LL * connectTimeoutS;
    if (firstAttemptMs >= timeoutMs * 9 / 10)
        return silent(address, connectTimeoutS, driverText);

    Parameters parameters = {{QStringLiteral("host"), address.host},
                             {QStringLiteral("port"), QString::number(address.port)},
                             {QStringLiteral("user"), address.user},
                             {QStringLiteral("dbname"), address.database}};
    if (!address.password.isEmpty())
        parameters.append({QStringLiteral("password"), address.password});
    parameters += options;
    // All the probes together wait no longer than one connection may.
    const QDeadlineTimer deadline(timeoutMs);
    const Attempt a = attempt(parameters, deadline);
    if (a.timedOut)
        return silent(address, connectTimeoutS, a.message);
    if (a.needsPassword)
        return fault(ServerFault::Authentication,
                     QStringLiteral("il server chiede la password dell'utente \"%1\" e non ne è "
                                    "stata indicata alcuna: scriverla nel file delle password di "
                                    "PostgreSQL (~/.pgpass; su Windows "
                                    "%APPDATA%\\postgresql\\pgpass.conf), in PGPASSWORD o "
                                    "nell'indirizzo")
                         .arg(address.user),
                     a.message);
    if (!a.sqlState.isEmpty())
        return refused(a, address, parameters, deadline);
    if (a.connected) // the driver's failure did not come again
        return fault(ServerFault::Unreachable,
                     QStringLiteral("la connessione al server non riesce"), driverText);
    if (const auto option = refusedOption(address))
        return badOption(*option, true, a.message);
    // TLS asked for: the server is reached without it, or with it but no verification.
    const QString& mode = a.sslmode;
    if (mode == QLatin1String("verify-ca") || mode == QLatin1String("verify-full")) {
        // require verifies too when it finds a root certificate: it is given none that exists.
        const Parameters unverified =
            with(with(parameters, QStringLiteral("sslmode"), QStringLiteral("require")),
                 QStringLiteral("sslrootcert"), nowhere());
        if (attempt(unverified, deadline).reached())
            return tls(mode, true, a.message);
    }
    if (mode == QLatin1String("require") || mode == QLatin1String("verify-ca") ||
        mode == QLatin1String("verify-full")) {
        if (attempt(with(parameters, QStringLiteral("sslmode"), QStringLiteral("disable")),
                    deadline)
                .reached())
            return tls(mode, false, a.message);
    }
    return unreachable(a.message);
}

} // namespace

ConnectionFault diagnoseConnection(const ServerAddress& address, const ConnectionOptions& options,
                                   int connectTimeoutS, qint64 firstAttemptMs,
                                   const QString& driverText) {
    ConnectionFault f = diagnosed(address, options, connectTimeoutS, firstAttemptMs, driverText);
    f.detail = withoutPassword(f.detail);
    if (!address.password.isEmpty()) {
        f.what.replace(address.password, QStringLiteral("***"));
        f.detail.replace(address.password, QStringLiteral("***"));
    }
    return f;
}

} // namespace selvana::registry
