#pragma once

#include "registry/register_schema.h"
#include "registry/server_address.h"
#include "registry/unit_record.h"

#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <optional>

namespace selvana::registry {

// What to look for in the register; empty parts match everything.
struct RegisterFilter {
    QString site; // part of the site's name, in any case
    std::optional<int> network;
    QString serialNumber; // the whole serial number, in any case
};

// The register of programmed units: one row per write to a peripheral, never changed after but
// for what reading the unit back showed, which may come seconds later.
// Kept in an SQLite file of this computer (the installer's own copy, always written first) or
// on the company's PostgreSQL server; both hold the same tables (register_schema.h). One object
// holds one connection and is used by one thread.
class UnitRegister {
public:
    ~UnitRegister();
    UnitRegister(const UnitRegister&) = delete;
    UnitRegister& operator=(const UnitRegister&) = delete;

    // Opens the file, making it and its folder on first use, and brings its tables up to
    // `schemaVersion`. Two programs may write one file at once: they take turns.
    static std::unique_ptr<UnitRegister> openFile(const QString& path, RegisterError* error,
                                                  int schemaVersion = schema::kCurrentVersion);

    // Connects to the server, waiting at most connectTimeoutS seconds (libpq counts at least
    // 2), and brings its tables up to `schemaVersion`.
    static std::unique_ptr<UnitRegister> openServer(const ServerAddress& address,
                                                    RegisterError* error, int connectTimeoutS = 3,
                                                    int schemaVersion = schema::kCurrentVersion);

    Dialect dialect() const { return dialect_; }
    // The file's path, or the server's URI without password.
    const QString& location() const { return location_; }
    QSqlDatabase& database() { return db_; }

    // Records one write in one transaction: all of it, or (on any failure, a crash or a cut
    // power) nothing. An empty id gets a new unique one, an invalid time the present; the
    // serial number is kept in upper case. In a file the record is also queued for the server.
    [[nodiscard]] std::optional<RegisterError> record(UnitRecord& record);

    // Keeps what reading the unit back after the write `id` showed, in one transaction; in a
    // file the record is queued for the server again (it replaces the verification there). A
    // write that is not in the register is an error.
    [[nodiscard]] std::optional<RegisterError> recordVerification(const QString& id,
                                                                  Verification verification,
                                                                  const QStringList& differences);

    // Every write that matches, newest first; at most `limit` when above 0.
    [[nodiscard]] std::optional<RegisterError> records(const RegisterFilter& filter,
                                                       QList<UnitRecord>& out, int limit = 0);

    // One row per peripheral: its newest write, when that matches the filter. Ordered by
    // site, then time.
    [[nodiscard]] std::optional<RegisterError> units(const RegisterFilter& filter,
                                                     QList<UnitRecord>& out);

    // Another peripheral than `serialNumber` that may hold this protocol, network and code:
    // its newest write with them was written (or got no answer) and no later write of it
    // succeeded. `other` gets the newest such write, or nothing.
    [[nodiscard]] std::optional<RegisterError> duplicateOf(const QString& serialNumber,
                                                           int protocol, int network,
                                                           int peripheralCode,
                                                           std::optional<UnitRecord>& other);

    // The lowest code from `first` to `last` that no peripheral holds in this protocol and
    // network (as duplicateOf counts), that no live reservation holds for another unit, nor in
    // `takenInRun`; codes held or reserved for `ignoredSerial` are free to it. Nothing when
    // every code of the range is taken. `owner` (the run asking) changes nothing: another
    // unit's reservation holds its code whichever run made it, this one's included.
    [[nodiscard]] std::optional<RegisterError> freeCode(int protocol, int network, int first,
                                                        int last, const QSet<int>& takenInRun,
                                                        std::optional<int>& code,
                                                        const QString& ignoredSerial = {},
                                                        const QString& owner = {});

    // What holds `wanted`'s protocol, network and code for another unit than
    // `wanted.serialNumber`: a unit's write (as duplicateOf counts) or a live reservation for
    // another unit (whichever program run made it). Nothing is reserved.
    [[nodiscard]] std::optional<RegisterError> holderOf(const Reservation& wanted,
                                                        std::optional<CodeHolder>& holder);

    // Reserves `wanted`'s protocol, network and code for `wanted.serialNumber`, in one write
    // transaction, unless holderOf() finds a holder; expired reservations go first. A
    // reservation of the same unit and code is renewed and becomes the owner's (one left by a
    // run that ended); the owner's reservation of the unit with another code goes, since a unit
    // is written with one code at a time. The database's unique constraint on
    // (protocol, network, code) keeps two programs from both getting it, whatever runs at
    // once. `holder` gets what holds the code when it is not reserved, nothing when it is.
    // Time and expiry come from the database's own clock.
    [[nodiscard]] std::optional<RegisterError> reserve(const Reservation& wanted,
                                                       std::optional<CodeHolder>& holder);

    // Chooses and reserves in one write transaction the lowest code from `first` to `last`
    // that freeCode() finds free for `wanted.serialNumber` and `wanted.owner`; `wanted` gives
    // all but the code. `code` gets it, or nothing when every code of the range is taken.
    [[nodiscard]] std::optional<RegisterError> reserveFreeCode(const Reservation& wanted, int first,
                                                               int last,
                                                               const QSet<int>& takenInRun,
                                                               std::optional<int>& code);

    // Releases the owner's reservations: all of them, or the one of that unit.
    [[nodiscard]] std::optional<RegisterError> release(const QString& owner,
                                                       const QString& serialNumber = {});

    // Live reservations, oldest first (for listings and tests).
    [[nodiscard]] std::optional<RegisterError> reservations(QList<Reservation>& out);

    // Codes that two or more units hold (each unit's writes as duplicateOf counts them), in
    // order of protocol, network and code.
    [[nodiscard]] std::optional<RegisterError> duplicates(QList<DuplicateCode>& out);

    [[nodiscard]] std::optional<RegisterError> count(int& records);

    // The file's own values (for the copy of the server's records).
    [[nodiscard]] std::optional<RegisterError> value(const QString& key, QString& value);
    [[nodiscard]] std::optional<RegisterError> setValue(const QString& key, const QString& value);

    // Records of this file not yet on the server, oldest first, and their dispatch.
    [[nodiscard]] std::optional<RegisterError> pending(int limit, QList<UnitRecord>& out);
    [[nodiscard]] std::optional<RegisterError> pendingCount(int& count);
    // `sent`: the records as pending() gave them; one whose verification has changed since
    // stays queued.
    [[nodiscard]] std::optional<RegisterError> markSent(const QList<UnitRecord>& sent);
    // Queues every record of this file again (the server lost some: it skips those it has).
    [[nodiscard]] std::optional<RegisterError> queueAll();

    // This database's identity: a random id made at its first use and kept with it, so a
    // database made anew under the same name is told apart.
    [[nodiscard]] std::optional<RegisterError> identity(QString& id);
    // The number of the last record ("seq"), 0 when there is none.
    [[nodiscard]] std::optional<RegisterError> lastNumber(qint64& last);

    // Records in the order this database numbered them: those after number `after`, at most
    // `limit`; `last` gets the number of the last one (`after` when there are none).
    [[nodiscard]] std::optional<RegisterError> numbered(qint64 after, int limit,
                                                        QList<UnitRecord>& out, qint64& last);

    // Stores records that came from the server, in one transaction; of those already here only
    // the verification may change, unless the record waits to be sent. They are not queued for
    // the server.
    // With them, the key-value pair `cursorKey` = `cursor` is stored, in the same transaction.
    [[nodiscard]] std::optional<RegisterError> storeReceived(const QList<UnitRecord>& received,
                                                             const QString& cursorKey,
                                                             const QString& cursor,
                                                             int* added = nullptr);

    // Write transactions: in a file the write lock is taken at once (no deadlock between two
    // programs); on a server, inserts are taken in turn so that their order numbers ("seq")
    // become visible in increasing order, which the copies' reading relies on.
    [[nodiscard]] std::optional<RegisterError> begin();
    [[nodiscard]] std::optional<RegisterError> commit();
    void rollback();

    // Inserts one record inside a transaction; one with an id already present is not added
    // (`added` tells which), but takes the record's verification unless it waits to be sent
    // itself (on a server, with a new number "seq"). The record must have its id and time. A
    // reservation of the same unit for the record's protocol, network and code goes in the same
    // transaction: the record holds the code from now on (or frees it, when the write was refused).
    [[nodiscard]] std::optional<RegisterError> insert(const UnitRecord& record, bool queue,
                                                      bool* added = nullptr);

    // Columns of a record, in the order recordFrom() reads them.
    static QString columns(const QString& alias = {});

private:
    UnitRegister(Dialect dialect, QString location);
    std::optional<RegisterError> failed(const QString& what, const QString& detail) const;
    std::optional<RegisterError> select(const QString& sql, const QVariantList& values,
                                        QList<UnitRecord>& out);
    // The live reservation of `wanted`'s code for another unit; with `anyUnit`, whatever row
    // holds the code.
    std::optional<RegisterError> reservationOf(const Reservation& wanted, bool anyUnit,
                                               std::optional<Reservation>& found);
    std::optional<RegisterError> dropExpired();
    // Sets the record's verification where it differs; `ownFacts`: also on a row waiting to be
    // sent. `changed` tells whether it did.
    std::optional<RegisterError> updateVerification(const UnitRecord& record, bool ownFacts,
                                                    bool& changed);
    // Writes the reservation unless another unit's row has the code; `taken` tells.
    std::optional<RegisterError> take(const Reservation& reservation, bool& taken);

    Dialect dialect_;
    QString location_;
    QString connection_;
    QSqlDatabase db_;
};

} // namespace selvana::registry
