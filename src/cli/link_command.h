#pragma once

#include "cli/command_line.h"
#include "cli/programming_log.h"
#include "cli/unit_plan.h"
#include "core/fields/write_verification.h"
#include "core/files/config_file.h"
#include "core/link/link_session.h"
#include "core/networks/network_list.h"
#include "registry/unit_record.h"

#include <QEventLoop>
#include <QObject>
#include <QSet>

#include <memory>
#include <optional>

namespace selvana::registry {
class ProgrammingRegister;
class UnitRegister;
} // namespace selvana::registry

namespace selvana::cli {

class Console;
class StopRequest;

// The commands that talk to a peripheral: read, write and program. Runs its own event loop
// until the work is done and returns the exit status.
class LinkCommand : public QObject {
    Q_OBJECT
public:
    LinkCommand(const Options& options, Console& console, SerialLink& link,
                const LinkTiming& timing = {}, QObject* parent = nullptr);
    ~LinkCommand() override;

    // The serial ports present, for "--port auto" and adapters that got another name; the
    // system's when none is given.
    void setPortEnumerator(const PortEnumerator& ports) { ports_ = &ports; }

    int run();

private:
    // How one peripheral's write ended; the CSV log and the result lines use these words.
    enum class Outcome {
        Programmed,
        Refused,
        NoAnswer,
        NotSuitable,
        NotWritten,
        PortFailed,
        Duplicate,
        Differs,    // --verifica: the unit read back holds something else
        NotVerified // --verifica: nothing came back within the answer wait
    };

    int prepare();
    int preparePlan();
    void prompt();
    void awaitNext();
    void onAnnounced(std::uint8_t firmwareM6);
    void onConfiguration(const Image& image, std::uint8_t firmwareM6);
    void onAnswer(LinkSession::Answer answer);
    void onWaitExpired();
    void onLinkFailed(const PortError& error, bool duringWrite);
    void onBackupFailed(const FileError& error);
    void onStop();
    void saveReadConfiguration(const Image& image, std::uint8_t firmwareM6);
    void writeConfiguration(const Image& image, std::uint8_t firmwareM6);
    void sayChanges();
    void endDryRun();
    void startReadBack();
    void onReadBack(const Image& image, std::uint8_t firmwareM6);
    void endReadBack(const ReadBack& readBack, const QString& why = {});
    void conclude(Outcome outcome, const QString& detail, int fatalStatus = 0);
    bool duplicateStops(const QByteArray& configuration);
    int checkPlanAgainstRegister(const QList<PlanRow>& rows);
    static std::optional<registry::Outcome> writeOutcomeOf(Outcome outcome);
    std::optional<QString> recordWrite(registry::Outcome outcome);
    void recordReadBack();
    void summarise(const QString& why);
    void endBatch(const QString& why);
    void finish(int status);
    int statusOf(Outcome outcome) const;
    bool batch() const { return options_.command == Options::Command::Program; }
    QString waitText() const;

    Options options_;
    Console& console_;
    LinkSession session_;
    std::unique_ptr<ProgrammingLog> log_;
    std::unique_ptr<registry::ProgrammingRegister> register_;
    // Where a batch's free codes are looked for and reserved: the recorder's register.
    registry::ProgrammingRegister* codeRegister() { return register_.get(); }
    // After an exchange: a fault of the shared register's settings, once, and the codes held
    // twice; the status a run that went well ends with then.
    void reportExchange();
    void sayLocalOnlyGuard();
    bool configurationFault_ = false;
    std::unique_ptr<StopRequest> stop_;
    QEventLoop loop_;
    QString device_;
    const PortEnumerator* ports_ = nullptr;
    conf::ConfigFile file_;
    NetworkList networks_; // the window's, for what the editor shows and writes
    std::int64_t limitMs_ = 0;
    bool finished_ = false;
    bool handling_ = false;  // a peripheral was read and its write is under way
    bool writing_ = false;   // its write frame was sent, the answer is awaited
    bool verifying_ = false; // it answered "A"; it is awaited again to be read back
    // The peripheral being written.
    QString serial_;
    QString backupPath_;
    QByteArray configuration_;        // the configuration file being written
    Image saveImage_{};               // the image sent, for the read-back
    QStringList changes_;             // what the write changes in the unit
    std::optional<QString> recordId_; // the register's record of the write being read back
    ReadBack readBack_;
    // program: a unit that announced itself in place of the one being read back, to be
    // written next.
    std::optional<std::pair<Image, std::uint8_t>> nextRead_;
    // program: serial numbers programmed, and those that were not (yet).
    QSet<QString> programmed_;
    QSet<QString> notProgrammed_;
    QSet<QString> duplicates_; // stopped for a code another unit has, not programmed since
    int attempts_ = 0;
    // program --codici / --piano: the batch's units, the register that tells which codes
    // peripherals hold, and the unit of the peripheral being written.
    UnitPlan plan_;
    std::optional<PlannedUnit> planned_;
};

} // namespace selvana::cli
