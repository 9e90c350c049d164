#include "registry/programming_register.h"

#include "registry/installer.h"

#include <QDeadlineTimer>
#include <QMutexLocker>
#include <QThread>

namespace selvana::registry {

ProgrammingRegister::ProgrammingRegister(QString file, std::optional<ServerAddress> server,
                                         QObject* parent)
    : QObject(parent), file_(std::move(file)), server_(std::move(server)) {}

ProgrammingRegister::~ProgrammingRegister() {
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

std::optional<RegisterError> ProgrammingRegister::record(const WriteFacts& facts,
                                                         UnitRecord* made) {
    UnitRecord r = recordOfConfiguration(facts.serialNumber, facts.configuration, facts.outcome,
                                         facts.backupPath);
    r.time = QDateTime::currentDateTimeUtc();
    r.installer = installerName();
    r.site = facts.site.trimmed();
    r.description = facts.description.trimmed();
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
        QString failure;
        RegisterError error;
        if (auto reg = UnitRegister::openFile(file, &error)) {
            RegisterSync sync(*reg, server);
            SyncReport report;
            if (auto e = sync.run(report))
                failure = e->message;
        } else {
            failure = error.message;
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

QString notRecordedText(Outcome outcome, const RegisterError& error) {
    return QStringLiteral("L'esito della scrittura (%1) non è stato registrato nel registro "
                          "delle programmazioni: %2")
        .arg(outcomeText(outcome).toLower(), error.message);
}

} // namespace selvana::registry
