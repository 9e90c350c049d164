#pragma once

#include "registry/server_address.h"
#include "registry/unit_register.h"

#include <QDateTime>

#include <functional>
#include <memory>
#include <optional>

namespace selvana::registry {

// What one exchange with the shared register did.
struct SyncReport {
    int sent = 0;     // records of this computer now on the server
    int received = 0; // records of other computers new to the local copy
    QDateTime copied; // when the local copy last held all of the server's records
};

// Keeps the installer's own register (a file) and the company's shared one (a server) in step:
// records written here go to the server, each exactly once whatever fails in between (the
// server skips an id it already has, and a record leaves the queue only after the server has
// committed it); a verification recorded later sends its record again, which replaces the
// verification on the server and renumbers the row there, so the other copies read it again.
// The server's records come into the local copy, read in the order the server numbered them,
// from where the last reading stopped. A server that lost records (made anew, or put back from
// an older backup) gets every record of the local file again. An unreachable server is an error
// value, never a wait beyond the connect timeout, and the local register keeps working without
// it.
class RegisterSync {
public:
    // Test points: called with the records sent so far in this exchange; returning false
    // stops the exchange there, as a crash would.
    struct Hooks {
        std::function<bool(int)> beforeServerCommit; // a batch is inserted, not committed
        std::function<bool(int)> afterServerCommit;  // committed, not yet off the queue
    };

    RegisterSync(UnitRegister& local, ServerAddress server);
    ~RegisterSync();

    void setBatchSize(int records) { batch_ = qMax(1, records); }
    void setConnectTimeout(int seconds) { connectTimeoutS_ = seconds; }
    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    // Sends what is queued, then receives what is new. On failure the report tells what was
    // done before it.
    [[nodiscard]] std::optional<RegisterError> run(SyncReport& report);
    [[nodiscard]] std::optional<RegisterError> send(SyncReport& report);
    [[nodiscard]] std::optional<RegisterError> receive(SyncReport& report);

    // When the local copy last held all of this server's records; nothing if never.
    std::optional<QDateTime> copied();

private:
    std::optional<RegisterError> connect();
    std::optional<RegisterError> serverFailed(const RegisterError& error);
    RegisterError interrupted(const RegisterError& error) const;
    std::optional<RegisterError> adopt();

    UnitRegister& local_;
    ServerAddress server_;
    std::unique_ptr<UnitRegister> remote_;
    Hooks hooks_;
    int batch_ = 200;
    int connectTimeoutS_ = 3;
};

// How old the local copy of the shared register is, for the installer: "Copia del registro
// condiviso aggiornata 12 minuti fa".
QString copyAgeText(const std::optional<QDateTime>& copied, const QDateTime& now);

// The server named by --registro when given, else by the settings; nothing for none. A URI
// that cannot be read leaves the register this computer's own, and `warning` says so, with
// the fault ServerFault::BadAddress.
std::optional<ServerAddress> chosenServer(const QString& commandLineUri, RegisterError* warning);

} // namespace selvana::registry
