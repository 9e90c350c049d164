#pragma once

#include "registry/register_sync.h"
#include "registry/server_address.h"
#include "registry/unit_record.h"
#include "registry/unit_register.h"

#include <QByteArray>
#include <QDateTime>
#include <QMutex>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QThread;

namespace selvana::registry {

// What a front end knows of one write once its outcome is known.
struct WriteFacts {
    QString serialNumber;     // as read from the peripheral
    QByteArray configuration; // the configuration file written (62 bytes)
    Outcome outcome = Outcome::Written;
    QString backupPath; // the copy the session made before the write
    QString site;
    QString description;
};

// The register as both front ends use it around a write: the duplicate check before it, the
// record of its outcome after it, and the exchange with the company's server. The installer's
// own file always takes the record first; the exchange runs on a thread of its own with its own
// connection, so a server that does not answer never holds up programming. Used from one
// thread (the owner's); the exchange reports back to it.
class ProgrammingRegister : public QObject {
    Q_OBJECT
public:
    // `file`: the local register; `server`: the shared one, or nothing.
    ProgrammingRegister(QString file, std::optional<ServerAddress> server,
                        QObject* parent = nullptr);
    // Waits for an exchange under way: it ends within the server's connect timeout.
    ~ProgrammingRegister() override;

    const QString& file() const { return file_; }
    bool shared() const { return server_.has_value(); }

    // Another peripheral than `serialNumber` that may hold the configuration's protocol,
    // network and peripheral code, as the local copy knows it.
    [[nodiscard]] std::optional<RegisterError> duplicateOf(const QString& serialNumber,
                                                           const QByteArray& configuration,
                                                           std::optional<UnitRecord>& other);

    // Records the write in one transaction, with the installer's name and the present time.
    [[nodiscard]] std::optional<RegisterError> record(const WriteFacts& facts,
                                                      UnitRecord* made = nullptr);

    // The local register, opened at first use; nothing (with the reason) when it cannot be.
    UnitRegister* local(RegisterError* error = nullptr);

    // Starts an exchange with the server unless one is under way (then another follows it).
    // Nothing happens without a server.
    void exchange();
    bool exchanging() const;
    // Waits at most timeoutMs for the exchanges asked for; true when none is left.
    bool waitForExchange(int timeoutMs);
    // "Copia del registro condiviso aggiornata 3 minuti fa"; empty without a server.
    QString copyAge(const QDateTime& now = QDateTime::currentDateTimeUtc());
    // Why the last exchange failed; empty when it worked or none ran.
    QString lastExchangeError() const;

signals:
    // An exchange ended (in the owner's thread); see copyAge() and lastExchangeError().
    void exchanged();

private:
    void startExchange();
    void exchangeEnded();

    QString file_;
    std::optional<ServerAddress> server_;
    std::unique_ptr<UnitRegister> local_;
    QThread* thread_ = nullptr;
    bool again_ = false;
    mutable QMutex mutex_; // guards what the exchange's thread leaves
    QString exchangeError_;
};

// The facts an installer needs about the unit that already has a code: "La periferica
// 1234ABCD (impianto "Le Querce", programmata il 08/12/2026 14:30 da Mario Rossi) ha già il
// codice 101 nella rete 00012 (PROTEUS-X)."
QString duplicateText(const UnitRecord& other);

// The write was done (or tried) but its record is missing.
QString notRecordedText(Outcome outcome, const RegisterError& error);

} // namespace selvana::registry
