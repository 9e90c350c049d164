#pragma once

#include "core/link/write_outcome.h"

#include <QByteArray>
#include <QDateTime>
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
// (in the default locale), outcome, installer.
QStringList unitCells(const UnitRecord& unit);

// Why the register could not do something: in Italian, with what to do; the detail is the
// database's own words, for diagnosis.
struct RegisterError {
    QString message;
    QString detail;
};

} // namespace selvana::registry
