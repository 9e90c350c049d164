#pragma once

#include "core/fields/write_verification.h"
#include "core/link/write_outcome.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace selvana::registry {

// How a write to a peripheral ended: what the link reports is what the register keeps.
using Outcome = WriteOutcome;

// The word kept in the register ("scritta", "rifiutata", "nessuna_risposta", "porta_persa").
QString outcomeKey(Outcome outcome);
std::optional<Outcome> outcomeFromKey(const QString& key);
// The words an installer reads: "Scritta", "Rifiutata", "Nessuna risposta", "Porta persa".
QString outcomeText(Outcome outcome);

// One write to one peripheral, as the register keeps it.
struct UnitRecord {
    QString id; // globally unique; record() makes one when empty
    QString serialNumber;
    QDateTime time; // UTC, to the millisecond
    QString installer;
    QString site;
    QString description; // the zone
    int protocol = 0;
    int network = 0;
    int peripheralCode = 0;
    double frequencyMHz = 0.0;
    std::uint8_t bandaUHF = 0;
    std::uint8_t firmwareM6 = 1;
    Outcome outcome = Outcome::Written;
    QString backupPath;
    QByteArray configuration; // the configuration file written (62 bytes)
    QStringList changes;      // what the write changed in the unit, as changeLines() says it
    Verification verification = Verification::NotAsked; // the unit read back after the write
    QStringList verificationDifferences;                // what the unit held that was not written

    bool operator==(const UnitRecord&) const = default;
};

// A record of a write of a configuration file's content: protocol, network, code, frequency,
// band and firmware generation as the content holds them. Time, installer, site and
// description are left for the caller.
UnitRecord recordOfConfiguration(const QString& serialNumber, const QByteArray& content,
                                 Outcome outcome, const QString& backupPath = {});

// The protocol's name as the editor lists it ("PROTEUS-X", "SICEP"...), or its code.
QString protocolName(int protocol);

// A network code as the editor shows it: five digits.
QString networkText(int network);

// Time for people, local: "08/12/2026 14:30".
QString timeText(const QDateTime& time);

// A frequency as lists show it: four decimals, in the default locale.
QString frequencyText(double mhz);

// What a search of the register that finds nothing says, in listings and on the site sheet.
QString nothingFoundText();

// A unit as lists show it: serial, time, site, description, protocol, network, code, frequency
// (in the default locale), outcome, verification (verificationWord()), installer.
QStringList unitCells(const UnitRecord& unit);

// What lists show under a write: each change ("Codice Periferica: 300 → 301"), then each thing
// the unit read back held otherwise ("Rilettura diversa: Tempo Sirena (s): 180 → 0").
QStringList writeDetails(const UnitRecord& unit);

// Why the shared server could not be used. Only Unreachable and Silent are the network's: the
// records wait for the server. Every other kind is a setting to change (the address, the
// password, the server's own configuration), which waiting does not mend.
enum class ServerFault {
    None,            // not a connection fault (a query failed, the file failed)
    Unreachable,     // no server at that address (refused, unknown host, no route)
    Silent,          // the address answers nothing within the connect timeout
    Authentication,  // wrong or missing password, or the role is not allowed in
    UnknownDatabase, // the database named does not exist
    UnknownRole,     // the user named does not exist
    Tls,             // TLS asked for and not possible, or the certificate cannot be verified
    BadOption,       // an option of the address that the client does not know or accept
    BadAddress,      // the address itself cannot be read
};

// Whether the fault is one of configuration rather than of the network.
bool isConfigurationFault(ServerFault fault);

// Why the register could not do something: in Italian, with what to do; the detail is the
// database's own words, for diagnosis. Neither ever holds a password.
struct RegisterError {
    QString message;
    QString detail;
    ServerFault fault = ServerFault::None;
};

// A code reserved for a unit while its write goes out: it becomes the unit's record when the
// write is recorded, and goes when the write does not go out or the program ends. One left by a
// program that ended without releasing it (a crash, a pulled plug) expires by itself.
struct Reservation {
    int protocol = 0;
    int network = 0;
    int peripheralCode = 0;
    QString serialNumber;
    QString owner;     // the program run that made it (ProgrammingRegister::owner())
    QString installer; // for the installers who meet it
    QString computer;  // the host name of the program that made it
    QDateTime time;    // when it was made, UTC
};

// How long a reservation left behind holds its code.
inline constexpr int kReservationLifetimeMinutes = 15;

// What holds a code another unit wants: a unit's write (written, or unanswered), or another
// program's reservation of it for a unit being written now.
struct CodeHolder {
    std::optional<UnitRecord> unit;
    std::optional<Reservation> reservation;
};

// A code held by two or more units of one network: they are not told apart by the receiving
// centre. `units` holds each unit's newest write holding the code, oldest first.
struct DuplicateCode {
    int protocol = 0;
    int network = 0;
    int peripheralCode = 0;
    QList<UnitRecord> units;
};

} // namespace selvana::registry
