#pragma once

#include "registry/server_address.h"
#include "registry/unit_record.h"

#include <QList>
#include <QString>

#include <utility>

namespace selvana::registry {

// libpq keywords and values beyond host, port, user, password and dbname, in order.
using ConnectionOptions = QList<std::pair<QString, QString>>;

// Why a connection to the shared server failed, and what to change.
struct ConnectionFault {
    ServerFault fault = ServerFault::Unreachable;
    QString what;   // Italian, lower case, no final stop: "il database "x" non esiste sul ..."
    QString detail; // libpq's and the server's words (with the server's SQLSTATE)
};

// Tells why the database driver's connection to `address` with `options` failed: it took
// `firstAttemptMs` and said `driverText`. libpq is asked again with the same parameters, its
// errors verbose so that a refusal of the server carries its SQLSTATE; nothing is read from the
// words of a message, which libpq and the server may write in any language. The probes cost
// little: options are checked on a socket that does not exist, a refusal is answered at once,
// and a server that let the first attempt take its whole timeout is not waited for again.
ConnectionFault diagnoseConnection(const ServerAddress& address, const ConnectionOptions& options,
                                   int connectTimeoutS, qint64 firstAttemptMs,
                                   const QString& driverText);

} // namespace selvana::registry
