#pragma once

#include "registry/unit_record.h"

#include <QSqlDatabase>

#include <optional>

namespace selvana::registry {

// The two databases a register lives in: a file of this computer, or the company's server.
enum class Dialect { SQLite, PostgreSQL };

// The register's tables, the same on both. Each version is one step of changes; a database
// records in "schema_version" every step it has been through, and opening it applies the
// missing ones, each in its own transaction, so a database is always at one version.
//   1  programmazioni (one row per write), da_inviare (local rows not yet on the server),
//      stato (the local copy's own values)
//   2  band and firmware generation of each write, taken for older rows from the markers of
//      the configuration kept with them; index for the duplicate check
//   3  prenotazioni: codes reserved for units being written now, one row per protocol, network
//      and code; times and expiry from the database's own clock
//   4  what each write changed (modifiche, its lines joined by line breaks) and how reading the
//      unit back went (verifica, a key of verificationKey(); differenze, lines as modifiche);
//      older rows have none and were not read back
namespace schema {

inline constexpr int kCurrentVersion = 4;

// The version a database is at: 0 for an empty one.
std::optional<RegisterError> version(QSqlDatabase& db, int& version);

// Brings the database to `target` (the current version unless told otherwise: tests make
// older ones). Several programs opening one database at once apply each step once. A database
// of a newer version than this program knows is refused, untouched.
std::optional<RegisterError> upgrade(QSqlDatabase& db, Dialect dialect,
                                     int target = kCurrentVersion);

} // namespace schema
} // namespace selvana::registry
