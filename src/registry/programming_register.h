#pragma once

#include "registry/register_sync.h"
#include "registry/server_address.h"
#include "registry/unit_record.h"
#include "registry/unit_register.h"

#include <QByteArray>
#include <QDateTime>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
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
    QStringList
        changes; // what the write changes in the unit (changeLines of the read and the write)
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
    // Releases the run's reservations of writes whose outcome was not recorded (on the server
    // only through a connection already made), then waits for an exchange under way: it ends
    // within the server's connect timeout.
    ~ProgrammingRegister() override;

    const QString& file() const { return file_; }
    bool shared() const { return server_.has_value(); }

    // This program run, as its reservations name it.
    const QString& owner() const { return owner_; }

    // Another peripheral than `serialNumber` that may hold the configuration's protocol,
    // network and peripheral code, as the local copy knows it.
    [[nodiscard]] std::optional<RegisterError> duplicateOf(const QString& serialNumber,
                                                           const QByteArray& configuration,
                                                           std::optional<UnitRecord>& other);

    // The duplicate guard before a write goes out: reserves the configuration's protocol,
    // network and code for the unit, first on the shared server when there is one and it
    // answers (so installers on other computers see it), then in the local register (so
    // other programs of this computer and the records not yet sent do). `holder` gets what
    // already holds the code; then nothing stays reserved. A server that does not answer is
    // not asked again until an exchange works: the guard then covers this computer only
    // (see takeLocalOnlyNote()). Waits on this thread: for the first connection to the server
    // at most its connect timeout (3 s), for a lock another program holds at most 3 s.
    [[nodiscard]] std::optional<RegisterError> reserve(const QString& serialNumber,
                                                       const QByteArray& configuration,
                                                       std::optional<CodeHolder>& holder);

    // The lowest code of the range that is free (as reserve() counts, and not in
    // `takenInRun`), reserved for the unit in the same way; nothing when none is left.
    [[nodiscard]] std::optional<RegisterError>
    reserveFreeCode(int protocol, int network, int first, int last, const QSet<int>& takenInRun,
                    const QString& serialNumber, std::optional<int>& code);

    // What holds the code for another unit than `serialNumber`, reservations included, on the
    // server when it answers and in the local copy; nothing is reserved (checks before a
    // batch starts).
    [[nodiscard]] std::optional<RegisterError> holderOf(const QString& serialNumber, int protocol,
                                                        int network, int peripheralCode,
                                                        std::optional<CodeHolder>& holder);

    // The unit's write does not go out after all: its reservation goes, here and on the
    // server. The record of a write that went out replaces the reservation by itself.
    void release(const QString& serialNumber);

    // Once per run, the first time the guard could not ask the shared server: the text that
    // says the duplicate check covers this computer only. Nothing otherwise, and nothing
    // without a shared register.
    std::optional<QString> takeLocalOnlyNote();

    // Codes held by two or more units in the local copy (after an exchange, with the other
    // installers' units).
    [[nodiscard]] std::optional<RegisterError> duplicates(QList<DuplicateCode>& out);

    // Records the write in one transaction, with the installer's name and the present time.
    [[nodiscard]] std::optional<RegisterError> record(const WriteFacts& facts,
                                                      UnitRecord* made = nullptr);

    // Keeps what reading the unit back after the write `recordId` (made by record()) showed;
    // the record goes to the server again with it.
    [[nodiscard]] std::optional<RegisterError> recordVerification(const QString& recordId,
                                                                  const ReadBack& readBack);

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
    // The same with its fault: ServerFault::None and an empty message when it worked.
    RegisterError lastExchangeFault() const;

signals:
    // An exchange ended (in the owner's thread); see copyAge() and lastExchangeError().
    void exchanged();

private:
    void startExchange();
    void exchangeEnded();
    // Runs `ask` on this thread's own connection to the server, made at first use; false when
    // the server is not asked (none, known to be down, or it failed: then it is down).
    bool askServer(const std::function<std::optional<RegisterError>(UnitRegister&)>& ask);
    Reservation reservationFor(const QString& serialNumber, int protocol, int network,
                               int peripheralCode) const;
    void releaseOnServer(const QString& serialNumber);

    QString file_;
    QString owner_; // a random id made for this program run
    std::optional<ServerAddress> server_;
    std::unique_ptr<UnitRegister> local_;
    std::unique_ptr<UnitRegister> guard_; // the server, for reservations (this thread's)
    bool serverDown_ = false;             // until an exchange works
    QSet<QString> unrecorded_;            // units reserved on the server, outcome not recorded
    bool reservedLocally_ = false;
    bool noteDue_ = false;
    bool noteGiven_ = false;
    QThread* thread_ = nullptr;
    bool again_ = false;
    mutable QMutex mutex_; // guards what the exchange's thread leaves
    RegisterError exchangeError_;
};

// The facts an installer needs about the unit that already has a code: "La periferica
// 1234ABCD (impianto "Le Querce", programmata il 08/12/2026 14:30 da Mario Rossi) ha già il
// codice 101 nella rete 00012 (PROTEUS-X)."
QString duplicateText(const UnitRecord& other);

// What holds a code, for the installer: a unit as duplicateText() says it, or "La periferica
// 1234ABCD è in programmazione ora (Mario Rossi, computer PC-UFFICIO, dalle 14:30) con il
// codice 101 nella rete 00012 (PROTEUS-X)."
QString holderText(const CodeHolder& holder);

// One line per code held twice: "Codice 101 della rete 00012 (PROTEUS-X) su 2 periferiche:
// 1234ABCD (impianto "Le Querce", 08/12/2026 14:30, Mario Rossi), ...".
QString duplicateCodeText(const DuplicateCode& duplicate);

// The write was done (or tried) but its record is missing.
QString notRecordedText(Outcome outcome, const RegisterError& error);

} // namespace selvana::registry
