#include "registry/programming_register.h"

#include "registry/installer.h"

#include <QDeadlineTimer>
#include <QMutexLocker>
#include <QSqlQuery>
#include <QSysInfo>
#include <QThread>
#include <QUuid>

namespace selvana::registry {

namespace {

// The server's connection for the guard is made on the owner's thread: as short a wait as the
// exchange's. Once made, a lock held by another program, or a statement, waits at most seconds.
constexpr int kConnectTimeoutS = 3;
const char* const kGuardTimeouts[] = {"SET lock_timeout = '3s'", "SET statement_timeout = '5s'"};

bool holdsCode(Outcome outcome) {
    return outcome == Outcome::Written || outcome == Outcome::NoAnswer;
}

} // namespace

ProgrammingRegister::ProgrammingRegister(QString file, std::optional<ServerAddress> server,
                                         QObject* parent)
    : QObject(parent), file_(std::move(file)),
      owner_(QUuid::createUuid().toString(QUuid::WithoutBraces)), server_(std::move(server)) {}

ProgrammingRegister::~ProgrammingRegister() {
    // The run's reservations go with it: on the server through the connection already made
    // (a new one could wait), in the file whenever this run may have reserved in it. On the
    // server a recorded write's stays until its record arrives, or it expires.
    if (guard_ && !serverDown_) {
        for (const QString& serial : std::as_const(unrecorded_))
            (void)guard_->release(owner_, serial);
    }
    if (local_ || reservedLocally_) {
        if (UnitRegister* reg = local())
            (void)reg->release(owner_);
    }
    again_ = false;
    if (thread_) {
        thread_->wait();
        delete thread_;
    }
}

UnitRegister* ProgrammingRegister::local(RegisterError* error) {
    if (!local_) {
        RegisterError why;
        local_ = UnitRegister::openFile(file_, &why);
        if (!local_ && error)
            *error = why;
    }
    return local_.get();
}

std::optional<RegisterError> ProgrammingRegister::duplicateOf(const QString& serialNumber,
                                                              const QByteArray& configuration,
                                                              std::optional<UnitRecord>& other) {
    other.reset();
    RegisterError error;
    UnitRegister* reg = local(&error);
    if (!reg)
        return error;
    const UnitRecord planned = recordOfConfiguration(serialNumber, configuration, Outcome::Written);
    return reg->duplicateOf(serialNumber, planned.protocol, planned.network, planned.peripheralCode,
                            other);
}

std::optional<RegisterError> ProgrammingRegister::recordVerification(const QString& recordId,
                                                                     const ReadBack& readBack) {
    RegisterError error;
    UnitRegister* reg = local(&error);
    if (!reg)
        return error;
    // Queued for the server again, as a new record is: the front end's exchange() sends it,
    // also when an exchange under way has just sent it without the verification.
    if (auto failed = reg->recordVerification(recordId, readBack.outcome, readBack.differences)) {
        local_.reset();
        return failed;
    }
    return std::nullopt;
}

std::optional<RegisterError> ProgrammingRegister::record(const WriteFacts& facts,
                                                         UnitRecord* made) {
    UnitRecord r = recordOfConfiguration(facts.serialNumber, facts.configuration, facts.outcome,
                                         facts.backupPath);
    r.time = QDateTime::currentDateTimeUtc();
    r.installer = installerName();
    r.site = facts.site.trimmed();
    r.description = facts.description.trimmed();
    r.changes = facts.changes;
    // The server's reservation stays until the record reaches it, to take its place as the
    // local record takes the local one; it goes now when the write left the unit without the
    // code.
    const QString serial = r.serialNumber.trimmed().toUpper();
    unrecorded_.remove(serial);
    if (!holdsCode(r.outcome))
        releaseOnServer(serial);
    RegisterError error;
    UnitRegister* reg = local(&error);
    if (!reg)
        return error;
    if (auto failed = reg->record(r)) {
        // A file that went away or broke is opened again at the next write.
        local_.reset();
        return failed;
    }
    if (made)
        *made = r;
    return std::nullopt;
}

Reservation ProgrammingRegister::reservationFor(const QString& serialNumber, int protocol,
                                                int network, int peripheralCode) const {
    Reservation r;
    r.protocol = protocol;
    r.network = network;
    r.peripheralCode = peripheralCode;
    r.serialNumber = serialNumber.trimmed().toUpper();
    r.owner = owner_;
    r.installer = installerName();
    r.computer = QSysInfo::machineHostName();
    return r;
}

bool ProgrammingRegister::askServer(
    const std::function<std::optional<RegisterError>(UnitRegister&)>& ask) {
    if (!server_)
        return false;
    if (!serverDown_) {
        // A connection kept from earlier may have been lost meanwhile (a server restarted):
        // one new connection is tried then, not for a server that answers and refuses.
        for (int attempt = 0; attempt < 2; ++attempt) {
            const bool kept = guard_ != nullptr;
            if (!guard_) {
                RegisterError error;
                guard_ = UnitRegister::openServer(*server_, &error, kConnectTimeoutS);
                if (!guard_)
                    break;
                for (const char* timeout : kGuardTimeouts)
                    QSqlQuery(guard_->database()).exec(QLatin1String(timeout));
            }
            if (!ask(*guard_))
                return true;
            const bool lost =
                kept && !QSqlQuery(guard_->database()).exec(QStringLiteral("SELECT 1"));
            guard_.reset();
            if (!lost)
                break;
        }
        serverDown_ = true;
    }
    if (!noteGiven_)
        noteDue_ = true;
    return false;
}

void ProgrammingRegister::releaseOnServer(const QString& serialNumber) {
    const QString serial = serialNumber.trimmed().toUpper();
    if (guard_ && !serverDown_)
        askServer([&](UnitRegister& server) { return server.release(owner_, serial); });
}

std::optional<RegisterError> ProgrammingRegister::reserve(const QString& serialNumber,
                                                          const QByteArray& configuration,
                                                          std::optional<CodeHolder>& holder) {
    holder.reset();
    RegisterError error;
    UnitRegister* reg = local(&error);
    if (!reg)
        return error;
    const UnitRecord planned = recordOfConfiguration(serialNumber, configuration, Outcome::Written);
    const Reservation wanted =
        reservationFor(serialNumber, planned.protocol, planned.network, planned.peripheralCode);
    bool onServer = false;
    if (askServer([&](UnitRegister& server) { return server.reserve(wanted, holder); })) {
        if (holder)
            return std::nullopt;
        onServer = true;
        unrecorded_.insert(wanted.serialNumber);
    }
    holder.reset();
    const auto failed = reg->reserve(wanted, holder);
    if (!failed && !holder)
        reservedLocally_ = true;
    if (onServer && (failed || holder))
        releaseOnServer(serialNumber);
    return failed;
}

std::optional<RegisterError> ProgrammingRegister::reserveFreeCode(int protocol, int network,
                                                                  int first, int last,
                                                                  const QSet<int>& takenInRun,
                                                                  const QString& serialNumber,
                                                                  std::optional<int>& code) {
    code.reset();
    RegisterError error;
    UnitRegister* reg = local(&error);
    if (!reg)
        return error;
    Reservation wanted = reservationFor(serialNumber, protocol, network, 0);
    // The lowest code free on the server, when it is also free here; else the next one. Each
    // choice on the server replaces the one before it (one code per unit).
    QSet<int> skipped = takenInRun;
    for (;;) {
        std::optional<int> chosen;
        if (!askServer([&](UnitRegister& server) {
                return server.reserveFreeCode(wanted, first, last, skipped, chosen);
            }))
            break;
        if (!chosen) {
            if (!skipped.isEmpty() && skipped != takenInRun)
                releaseOnServer(serialNumber); // the last choice, held here
            return std::nullopt;
        }
        unrecorded_.insert(wanted.serialNumber);
        wanted.peripheralCode = *chosen;
        std::optional<CodeHolder> holder;
        if (auto failed = reg->reserve(wanted, holder)) {
            releaseOnServer(serialNumber);
            return failed;
        }
        if (!holder) {
            reservedLocally_ = true;
            code = chosen;
            return std::nullopt;
        }
        skipped.insert(*chosen);
    }
    // This computer only.
    const auto failed = reg->reserveFreeCode(wanted, first, last, takenInRun, code);
    if (code)
        reservedLocally_ = true;
    return failed;
}

std::optional<RegisterError> ProgrammingRegister::holderOf(const QString& serialNumber,
                                                           int protocol, int network,
                                                           int peripheralCode,
                                                           std::optional<CodeHolder>& holder) {
    holder.reset();
    RegisterError error;
    UnitRegister* reg = local(&error);
    if (!reg)
        return error;
    const Reservation wanted = reservationFor(serialNumber, protocol, network, peripheralCode);
    if (askServer([&](UnitRegister& server) { return server.holderOf(wanted, holder); }) && holder)
        return std::nullopt;
    holder.reset();
    return reg->holderOf(wanted, holder);
}

void ProgrammingRegister::release(const QString& serialNumber) {
    releaseOnServer(serialNumber);
    unrecorded_.remove(serialNumber.trimmed().toUpper());
    if (local_ || reservedLocally_) {
        if (UnitRegister* reg = local())
            (void)reg->release(owner_, serialNumber);
    }
}

std::optional<QString> ProgrammingRegister::takeLocalOnlyNote() {
    if (!noteDue_)
        return std::nullopt;
    noteDue_ = false;
    noteGiven_ = true;
    return QStringLiteral("Registro condiviso non disponibile: finché non torna raggiungibile, il "
                          "controllo dei codici doppi vale solo per le periferiche registrate su "
                          "questo computer.");
}

std::optional<RegisterError> ProgrammingRegister::duplicates(QList<DuplicateCode>& out) {
    out.clear();
    RegisterError error;
    UnitRegister* reg = local(&error);
    if (!reg)
        return error;
    return reg->duplicates(out);
}

void ProgrammingRegister::exchange() {
    if (!server_)
        return;
    if (thread_) {
        again_ = true;
        return;
    }
    startExchange();
}

void ProgrammingRegister::startExchange() {
    // The local file is made on this thread, before the exchange's own connection opens it: two
    // connections making a new file at once each find the other's schema half made.
    local();
    const QString file = file_;
    const ServerAddress server = *server_;
    thread_ = QThread::create([this, file, server] {
        // Connections belong to the thread that opened them: this one has its own.
        RegisterError failure;
        RegisterError error;
        if (auto reg = UnitRegister::openFile(file, &error)) {
            RegisterSync sync(*reg, server);
            SyncReport report;
            if (auto e = sync.run(report))
                failure = *e;
        } else {
            failure = error;
        }
        QMutexLocker lock(&mutex_);
        exchangeError_ = failure;
    });
    connect(thread_, &QThread::finished, this, &ProgrammingRegister::exchangeEnded,
            Qt::QueuedConnection);
    thread_->start();
}

void ProgrammingRegister::exchangeEnded() {
    if (!thread_ || thread_->isRunning())
        return;
    delete thread_;
    thread_ = nullptr;
    {
        // The guard asks the server again once an exchange works; one that could not connect
        // spares the guard its own wait for the connect timeout.
        QMutexLocker lock(&mutex_);
        if (exchangeError_.message.isEmpty())
            serverDown_ = false;
        else if (exchangeError_.fault != ServerFault::None)
            serverDown_ = true;
    }
    if (again_) {
        again_ = false;
        startExchange();
        return;
    }
    emit exchanged();
}

bool ProgrammingRegister::exchanging() const {
    return thread_ != nullptr;
}

bool ProgrammingRegister::waitForExchange(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (thread_) {
        if (!thread_->wait(deadline))
            return false;
        exchangeEnded();
    }
    return true;
}

QString ProgrammingRegister::copyAge(const QDateTime& now) {
    if (!server_)
        return {};
    UnitRegister* reg = local();
    if (!reg)
        return copyAgeText(std::nullopt, now);
    RegisterSync sync(*reg, *server_);
    return copyAgeText(sync.copied(), now);
}

QString ProgrammingRegister::lastExchangeError() const {
    QMutexLocker lock(&mutex_);
    return exchangeError_.message;
}

RegisterError ProgrammingRegister::lastExchangeFault() const {
    QMutexLocker lock(&mutex_);
    return exchangeError_;
}

QString duplicateText(const UnitRecord& other) {
    const QString site = other.site.isEmpty() ? QStringLiteral("impianto non indicato")
                                              : QStringLiteral("impianto \"%1\"").arg(other.site);
    return QStringLiteral("La periferica %1 (%2, programmata il %3 da %4) ha già il codice %5 "
                          "nella rete %6 (%7).")
        .arg(other.serialNumber, site, timeText(other.time), other.installer)
        .arg(other.peripheralCode)
        .arg(networkText(other.network), protocolName(other.protocol));
}

QString holderText(const CodeHolder& holder) {
    if (holder.unit)
        return duplicateText(*holder.unit);
    if (!holder.reservation)
        return {};
    const Reservation& r = *holder.reservation;
    return QStringLiteral("La periferica %1 è in programmazione ora (%2, computer %3, dalle %4) "
                          "con il codice %5 nella rete %6 (%7).")
        .arg(r.serialNumber, r.installer, r.computer,
             r.time.toLocalTime().toString(QStringLiteral("HH:mm")),
             QString::number(r.peripheralCode), networkText(r.network), protocolName(r.protocol));
}

QString duplicateCodeText(const DuplicateCode& duplicate) {
    QStringList units;
    for (const UnitRecord& u : duplicate.units) {
        const QString site = u.site.isEmpty() ? QStringLiteral("impianto non indicato")
                                              : QStringLiteral("impianto \"%1\"").arg(u.site);
        units << QStringLiteral("%1 (%2, %3, %4)")
                     .arg(u.serialNumber, site, timeText(u.time), u.installer);
    }
    return QStringLiteral("Codice %1 della rete %2 (%3) su %4 periferiche: %5.")
        .arg(QString::number(duplicate.peripheralCode), networkText(duplicate.network),
             protocolName(duplicate.protocol), QString::number(duplicate.units.size()),
             units.join(QStringLiteral(", ")));
}

QString notRecordedText(Outcome outcome, const RegisterError& error) {
    return QStringLiteral("L'esito della scrittura (%1) non è stato registrato nel registro "
                          "delle programmazioni: %2")
        .arg(outcomeText(outcome).toLower(), error.message);
}

} // namespace selvana::registry
