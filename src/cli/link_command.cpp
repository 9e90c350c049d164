#include "link_command.h"

#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/stop_request.h"
#include "cli/write_image.h"
#include "core/fields/config_changes.h"
#include "core/fields/number_text.h"
#include "core/files/config_file_io.h"
#include "core/files/file_names.h"
#include "core/image/config_decoder.h"
#include "core/image/rounding.h"
#include "core/link/frame_codec.h"
#include "core/texts/shared_texts.h"
#include "registry/installer.h"
#include "registry/programming_register.h"
#include "registry/register_sync.h"
#include "registry/unit_register.h"
#include "serial/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace selvana::cli {

namespace {

// The link never rejects a frame for its checksum (nor does the window); the command line at
// least says so, since it knows the serial number a file lacks.
QString checksumWarning(const Image& image) {
    const std::uint8_t expected = CalcolaCKSSave(image);
    if (image[64] == expected)
        return {};
    return QStringLiteral("Attenzione: il checksum letto (0x%1) non corrisponde ai dati (0x%2): la "
                          "memoria della periferica potrebbe essere alterata.")
        .arg(byteHex(image[64]), byteHex(expected));
}

QString secondsText(double seconds) {
    return QLocale().toString(seconds, 'g', 6) + QStringLiteral(" s");
}

} // namespace

LinkCommand::LinkCommand(const Options& options, Console& console, SerialLink& link,
                         const LinkTiming& timing, QObject* parent)
    : QObject(parent), options_(options), console_(console), session_(link, timing) {
    connect(&session_, &LinkSession::announced, this, &LinkCommand::onAnnounced);
    connect(&session_, &LinkSession::configurationRead, this, &LinkCommand::onConfiguration);
    connect(&session_, &LinkSession::answered, this, &LinkCommand::onAnswer);
    connect(&session_, &LinkSession::waitExpired, this, &LinkCommand::onWaitExpired);
    connect(&session_, &LinkSession::linkFailed, this, &LinkCommand::onLinkFailed);
    connect(&session_, &LinkSession::backupFailed, this, &LinkCommand::onBackupFailed);
    connect(&session_, &LinkSession::frameIncomplete, this,
            [this] { console_.err(texts::frameIncomplete(texts::FrontEnd::CommandLine)); });
}

LinkCommand::~LinkCommand() = default;

int LinkCommand::prepare() {
    const bool writes = options_.command != Options::Command::Read;
    if (writes) {
        QByteArray bytes;
        if (auto error = conf::readConfigFileBytes(options_.file, bytes)) {
            console_.err(error->brief);
            return kFileError;
        }
        file_ = *conf::parse(bytes);
        QString warning;
        networks_ = windowNetworkList(QCoreApplication::applicationDirPath(), &warning);
        if (!warning.isEmpty())
            console_.err(warning);
        // Every peripheral the file suits would get the same values: a file that cannot be
        // written is refused before anyone presses RESET. With --codici or --piano the
        // units' codes replace the file's, and the plan checks its own.
        const bool planned = !options_.planPath.isEmpty() || options_.codes;
        if (auto error = planned ? std::nullopt : checkWritable(file_, networks_)) {
            console_.err(QStringLiteral("Il file %1 non può essere scritto in una periferica: %2")
                             .arg(quotedName(options_.file), *error));
            return kInvalid;
        }
        registry::RegisterError serverWarning;
        auto server = registry::chosenServer(options_.registerUri, &serverWarning);
        if (!serverWarning.message.isEmpty())
            console_.err(serverWarning.message);
        // A "Registro" setting that cannot be read is a setting to mend, said by the status.
        configurationFault_ = registry::isConfigurationFault(serverWarning.fault);
        register_ = std::make_unique<registry::ProgrammingRegister>(registry::defaultRegisterPath(),
                                                                    std::move(server));
        // The company's units reach the local copy while the installer connects the first.
        register_->exchange();
        if (const int status = preparePlan(); status != kOk)
            return status;
        // A trial writes nothing, so it leaves no line in the log either.
        const bool defaultLog = options_.logPath.isEmpty();
        if (!options_.dryRun) {
            log_ = std::make_unique<ProgrammingLog>(
                defaultLog ? defaultLogPath() : options_.logPath, defaultLog);
            if (auto error = log_->open()) {
                console_.err(*error);
                return kFileError;
            }
        }
    } else {
        const FileFacts target = factsOf(options_.file);
        if ((target.exists && !target.isFile) || !target.folderExists) {
            console_.err(QStringLiteral("Impossibile creare il file %1: %2.")
                             .arg(quotedName(options_.file),
                                  target.exists ? QStringLiteral("non è un file")
                                                : QStringLiteral("la cartella non esiste")));
            return kFileError;
        }
    }

    QString error;
    int status = kUsage;
    const auto device = resolvePort(options_.port, SettingsStore(), &error, ports_, &status);
    if (!device) {
        console_.err(QStringLiteral("Errore: %1.").arg(error));
        return status;
    }
    device_ = *device;
    const double seconds = options_.timeoutS.value_or(defaultTimeoutS(options_.command));
    limitMs_ = static_cast<std::int64_t>(roundHalfEven(seconds * 1000.0));
    return kOk;
}

// A configuration fault of the shared register is said once; the records wait on this
// computer. The codes that two units hold are named after every exchange.
void LinkCommand::reportExchange() {
    if (!register_ || !register_->shared())
        return;
    const registry::RegisterError fault = register_->lastExchangeFault();
    if (!fault.message.isEmpty() &&
        (!configurationFault_ || !registry::isConfigurationFault(fault.fault)))
        console_.err(fault.message);
    if (registry::isConfigurationFault(fault.fault))
        configurationFault_ = true;
    QList<registry::DuplicateCode> twice;
    if (auto error = register_->duplicates(twice)) {
        console_.err(error->message);
        return;
    }
    for (const registry::DuplicateCode& d : twice)
        console_.err(QStringLiteral("Attenzione: ") + registry::duplicateCodeText(d));
}

void LinkCommand::sayLocalOnlyGuard() {
    if (!register_)
        return;
    if (const auto note = register_->takeLocalOnlyNote())
        console_.err(QStringLiteral("Attenzione: ") + *note);
}

int LinkCommand::preparePlan() {
    if (!options_.planPath.isEmpty()) {
        QList<PlanRow> rows;
        bool unreadable = false;
        if (auto error = readPlan(options_.planPath, rows, &unreadable)) {
            console_.err(*error);
            return unreadable ? kFileError : kInvalid;
        }
        // Every row on this file, as any peripheral it suits would take it: a row the window
        // would refuse stops the batch before anyone presses RESET.
        // A row without a network gets the file's: two rows may meet in one network only here.
        QHash<QPair<int, int>, int> lineOf;
        for (const PlanRow& row : rows) {
            Image built{};
            if (auto error = checkWritable(file_, networks_, &row.unit, &built)) {
                console_.err(QStringLiteral("Riga %1 del piano %2: %3")
                                 .arg(row.line)
                                 .arg(quotedName(options_.planPath), *error));
                return kInvalid;
            }
            ConfigRecord written;
            Analyze2(built, QString(), written);
            const QPair<int, int> key{written.CodiceRete, written.CodicePeriferica};
            if (const int earlier = lineOf.value(key); earlier > 0) {
                console_.err(QStringLiteral("Riga %1 del piano %2: il codice %3 è già alla riga %4 "
                                            "nella rete %5.")
                                 .arg(row.line)
                                 .arg(quotedName(options_.planPath))
                                 .arg(written.CodicePeriferica)
                                 .arg(earlier)
                                 .arg(registry::networkText(written.CodiceRete)));
                return kInvalid;
            }
            lineOf.insert(key, row.line);
        }
        if (const int status = checkPlanAgainstRegister(rows); status != kOk)
            return status;
        console_.err(QStringLiteral("Piano %1: %2 periferiche, una per riga nell'ordine.")
                         .arg(quotedName(options_.planPath))
                         .arg(rows.size()));
        plan_ = UnitPlan(rows);
        return kOk;
    }
    if (!options_.codes)
        return kOk;

    // Valid codes run from 1 to the protocol's largest: the two ends tell for the whole range.
    const CodeRange range = *options_.codes;
    Image built{};
    for (const int code : {range.first, range.last}) {
        const PlannedUnit unit{code, std::nullopt, QString()};
        if (auto error = checkWritable(file_, networks_, &unit, &built)) {
            console_.err(QStringLiteral("I codici %1-%2 non si possono dare con il file %3: %4")
                             .arg(range.first)
                             .arg(range.last)
                             .arg(quotedName(options_.file), *error));
            return kInvalid;
        }
    }
    ConfigRecord written;
    Analyze2(built, QString(), written);

    registry::RegisterError error;
    if (!register_->local(&error)) {
        console_.err(error.message);
        return kFileError;
    }
    // Free codes are looked for among the other installers' units too, when the server answers
    // within its connect timeout.
    if (register_->shared()) {
        register_->waitForExchange(-1);
        reportExchange();
        console_.err(register_->copyAge() + QLatin1Char('.'));
    }
    plan_ = UnitPlan(range, written.Protocollo, written.CodiceRete);
    if (auto why = plan_.exhausted(codeRegister())) {
        console_.err(QStringLiteral("Nulla da programmare: %1.").arg(*why));
        return kInvalid;
    }
    console_.err(QStringLiteral("Codici %1 per il protocollo %2, rete %3: a ogni periferica il "
                                "primo libero nel registro.")
                     .arg(plan_.rangeText(), registry::protocolName(written.Protocollo),
                          registry::networkText(written.CodiceRete)));
    return kOk;
}

// Every row's code against the units of the register and the codes other programs are writing
// now, as the duplicate guard of each write will ask: a row that would be stopped is said now,
// once, before anyone presses RESET (--forza writes anyway).
int LinkCommand::checkPlanAgainstRegister(const QList<PlanRow>& rows) {
    if (options_.force)
        return kOk;
    registry::RegisterError error;
    if (!register_->local(&error)) {
        console_.err(error.message);
        return kFileError;
    }
    if (register_->shared())
        register_->waitForExchange(-1);
    for (const PlanRow& row : rows) {
        Image built{};
        if (checkWritable(file_, networks_, &row.unit, &built))
            continue; // refused above already
        ConfigRecord written;
        Analyze2(built, QString(), written);
        std::optional<registry::CodeHolder> holder;
        if (auto failed = register_->holderOf(QString(), written.Protocollo, written.CodiceRete,
                                              written.CodicePeriferica, holder)) {
            console_.err(QStringLiteral("Attenzione: ") +
                         texts::duplicateCheckNotMade(failed->message));
            return kOk;
        }
        if (holder) {
            console_.err(QStringLiteral("Riga %1 del piano %2: %3 Nulla è stato scritto: per "
                                        "scrivere comunque, --forza.")
                             .arg(row.line)
                             .arg(quotedName(options_.planPath), registry::holderText(*holder)));
            return kDuplicate;
        }
    }
    sayLocalOnlyGuard();
    return kOk;
}

int LinkCommand::run() {
    if (const int status = prepare(); status != kOk)
        return status;
    if (auto error = session_.open(device_)) {
        console_.err(error->message);
        if (!options_.port.isEmpty())
            console_.err(QStringLiteral("Con la riga di comando la porta si indica con --port."));
        return kPortError;
    }
    stop_ = std::make_unique<StopRequest>(batch() ? console_.input() : nullptr);
    connect(stop_.get(), &StopRequest::stopRequested, this, &LinkCommand::onStop);
    awaitNext();
    int status = loop_.exec();
    session_.close();
    if (register_ && register_->shared()) {
        // Records of this run go to the server now if it answers; they wait otherwise.
        register_->exchange();
        register_->waitForExchange(-1);
        reportExchange();
        console_.err(register_->copyAge() + QLatin1Char('.'));
    }
    // A run that went well still says the shared register's settings need mending.
    if (status == kOk && configurationFault_)
        status = kRegisterSettings;
    return status;
}

QString LinkCommand::waitText() const {
    return limitMs_ > 0 ? QStringLiteral("; attesa massima %1").arg(secondsText(limitMs_ / 1000.0))
                        : QString();
}

void LinkCommand::prompt() {
    const QString port = QDir::toNativeSeparators(device_);
    if (!batch()) {
        console_.err(texts::connectAndReset(port) +
                     QStringLiteral(" (Ctrl+C per annullare%1).").arg(waitText()));
        return;
    }
    const int next = static_cast<int>(programmed_.size()) + 1;
    const QString which = options_.count > 0
                              ? QStringLiteral("%1 di %2").arg(next).arg(options_.count)
                              : QString::number(next);
    console_.err(QStringLiteral("Periferica %1. %2 (per terminare: \"fine\" e Invio, Ctrl+D o "
                                "Ctrl+C%3).")
                     .arg(which, texts::connectAndReset(port), waitText()));
}

void LinkCommand::awaitNext() {
    // A peripheral that restarted instead of answering has already been asked for its frame.
    if (session_.phase() != LinkSession::Phase::FrameAsked)
        prompt();
    session_.awaitPeripheral(limitMs_);
}

void LinkCommand::onAnnounced(std::uint8_t firmwareM6) {
    console_.err(QStringLiteral("Periferica collegata (firmware %1): lettura della "
                                "configurazione in corso...")
                     .arg(texts::firmwareName(firmwareM6)));
}

void LinkCommand::onConfiguration(const Image& image, std::uint8_t firmwareM6) {
    if (finished_)
        return;
    if (options_.command == Options::Command::Read)
        saveReadConfiguration(image, firmwareM6);
    else if (verifying_)
        onReadBack(image, firmwareM6);
    else
        writeConfiguration(image, firmwareM6);
}

void LinkCommand::saveReadConfiguration(const Image& image, std::uint8_t firmwareM6) {
    ConfigRecord record;
    Analyze2(image, QString(), record);
    const QString serial = serialNumberOf(image);
    if (const QString warning = checksumWarning(image); !warning.isEmpty())
        console_.err(warning);
    // The image exactly as read: bytes 5..64 unchanged, the checksum byte included. The file
    // holds that and nothing else, whatever a file of that name held before.
    const QByteArray content = conf::fileContent(firmwareM6, record.BandaUHF, image);
    if (const auto error =
            conf::writeConfigFile(options_.file, content, conf::ExistingTail::Drop)) {
        console_.err(error->brief);
        finish(kFileError);
        return;
    }
    console_.out(QStringLiteral("%1 letta: firmware %2, %3; configurazione salvata in %4")
                     .arg(serial, texts::firmwareName(firmwareM6), texts::bandName(record.BandaUHF),
                          quotedName(options_.file)));
    finish(kOk);
}

void LinkCommand::writeConfiguration(const Image& image, std::uint8_t firmwareM6) {
    handling_ = true;
    serial_ = serialNumberOf(image);
    backupPath_.clear();
    ConfigRecord record;
    Analyze2(image, QString(), record);
    console_.err(
        QStringLiteral("Periferica %1 letta (firmware %2, %3).")
            .arg(serial_, texts::firmwareName(firmwareM6), texts::bandName(record.BandaUHF)));
    if (const QString warning = checksumWarning(image); !warning.isEmpty())
        console_.err(warning);
    if (batch() && programmed_.contains(serial_))
        console_.err(QStringLiteral("La periferica %1 è già stata programmata in questa sessione: "
                                    "viene scritta di nuovo.")
                         .arg(serial_));

    // The window's import checks, with its own messages.
    if (const auto warning = conf::mismatchMessage(file_, firmwareM6, record.BandaUHF)) {
        conclude(Outcome::NotSuitable, *warning);
        return;
    }
    planned_.reset();
    if (plan_.active()) {
        PlannedUnit unit;
        if (auto why = plan_.unitFor(serial_, codeRegister(), unit)) {
            conclude(Outcome::NotWritten, QStringLiteral("Nessun codice per questa periferica: "
                                                         "%1. Nessun dato è stato scritto.")
                                              .arg(*why));
            return;
        }
        planned_ = unit;
        QString what = QStringLiteral("codice %1").arg(unit.code);
        if (unit.network)
            what += QStringLiteral(", rete %1").arg(registry::networkText(*unit.network));
        if (!unit.zone.isEmpty())
            what += QStringLiteral(", descrizione \"%1\"").arg(unit.zone);
        console_.err(QStringLiteral("Periferica %1: %2.").arg(serial_, what));
    }
    Image saveImage{};
    if (const auto error = buildWriteImage(image, firmwareM6, networks_, file_, saveImage,
                                           planned_ ? &*planned_ : nullptr)) {
        conclude(Outcome::NotWritten, *error, kInvalid);
        return;
    }
    configuration_ = conf::fileContent(firmwareM6, record.BandaUHF, saveImage);
    changes_ = changeLines(configurationChanges(image, saveImage, &networks_));
    if (options_.dryRun) {
        endDryRun();
        return;
    }
    if (duplicateStops(configuration_))
        return;
    sayChanges();
    // The session keeps what the peripheral holds before anything is sent to it; a copy that
    // cannot be made, or a port gone, comes back as its signal.
    if (!session_.write(saveImage))
        return;
    saveImage_ = saveImage;
    ++attempts_;
    backupPath_ = session_.backupPath();
    writing_ = true;
    console_.err(QStringLiteral("Copia di sicurezza della configurazione letta: %1")
                     .arg(quotedName(backupPath_)));
    console_.err(texts::writing());
}

void LinkCommand::sayChanges() {
    if (changes_.isEmpty()) {
        console_.err(QStringLiteral("Nessuna modifica: la periferica %1 contiene già questa "
                                    "configurazione.")
                         .arg(serial_));
        return;
    }
    console_.err(QStringLiteral("La scrittura cambia nella periferica %1:").arg(serial_));
    for (const QString& line : changes_)
        console_.err(QStringLiteral("  ") + line);
}

// --prova: what the write would change, and whether the duplicate guard would stop it. Nothing
// is sent, copied, reserved, logged or recorded.
void LinkCommand::endDryRun() {
    // A register that does not exist yet holds no unit, and is not made by a trial.
    if (register_ && !options_.force &&
        (register_->shared() || QFileInfo::exists(register_->file()))) {
        const registry::UnitRecord unit =
            registry::recordOfConfiguration(serial_, configuration_, registry::Outcome::Written);
        std::optional<registry::CodeHolder> holder;
        if (auto error = register_->holderOf(serial_, unit.protocol, unit.network,
                                             unit.peripheralCode, holder))
            console_.err(QStringLiteral("Attenzione: ") +
                         texts::duplicateCheckNotMade(error->message));
        else if (holder)
            console_.err(registry::holderText(*holder) +
                         QStringLiteral(" La scrittura sarebbe fermata: per scrivere comunque, "
                                        "--forza."));
        sayLocalOnlyGuard();
    }
    const qsizetype count = changes_.size();
    if (count == 0)
        console_.out(QStringLiteral("%1 PROVA: nessuna modifica, la periferica contiene già questa "
                                    "configurazione. Nulla è stato scritto.")
                         .arg(serial_));
    else
        console_.out(QStringLiteral("%1 PROVA: %2. Nulla è stato scritto.")
                         .arg(serial_, count == 1 ? QStringLiteral("1 modifica")
                                                  : QStringLiteral("%1 modifiche").arg(count)));
    for (const QString& line : changes_)
        console_.out(QStringLiteral("  ") + line);
    handling_ = false;
    finish(kOk);
}

// After its "A" the unit holds the write, whatever reading it back shows: the write is recorded
// at once and the verification added to its record.
void LinkCommand::startReadBack() {
    writing_ = false;
    verifying_ = true;
    readBack_ = {};
    recordId_ = register_ ? recordWrite(registry::Outcome::Written) : std::nullopt;
    const std::int64_t waitMs = session_.timing().answerWaitMs;
    console_.err(texts::written());
    console_.err(readBackPrompt() +
                 QStringLiteral(" (attesa massima %1).").arg(secondsText(waitMs / 1000.0)));
    session_.awaitPeripheral(waitMs);
}

void LinkCommand::onReadBack(const Image& image, std::uint8_t firmwareM6) {
    const QString serial = serialNumberOf(image);
    if (serial == serial_) {
        endReadBack(compareReadBack(saveImage_, image, &networks_));
        return;
    }
    // Another unit was connected: the one written stays unverified; a batch writes the new one.
    if (batch())
        nextRead_ = std::pair{image, firmwareM6};
    endReadBack(
        notVerified(),
        QStringLiteral("Si è annunciata la periferica %1, non quella scritta.").arg(serial));
}

void LinkCommand::endReadBack(const ReadBack& readBack, const QString& why) {
    readBack_ = readBack;
    const QString text = verificationText(readBack);
    const QString detail = why.isEmpty() ? text : why + QLatin1Char(' ') + text;
    switch (readBack.outcome) {
    case Verification::Verified:
        conclude(Outcome::Programmed, texts::written() + QStringLiteral(". ") + detail);
        return;
    case Verification::Differs:
        conclude(Outcome::Differs, detail);
        return;
    case Verification::NotVerified:
    case Verification::NotAsked:
        conclude(Outcome::NotVerified, detail);
        return;
    }
}

void LinkCommand::onAnswer(LinkSession::Answer answer) {
    if (finished_ || !writing_)
        return;
    using Answer = LinkSession::Answer;
    switch (answer) {
    case Answer::Accepted:
        if (options_.verify)
            startReadBack();
        else
            conclude(Outcome::Programmed, texts::written());
        return;
    case Answer::Refused:
        conclude(Outcome::Refused, texts::refused());
        return;
    case Answer::None:
        conclude(Outcome::NoAnswer,
                 texts::noAnswer(texts::FrontEnd::CommandLine,
                                 secondsText(session_.timing().answerWaitMs / 1000.0)));
        return;
    case Answer::Restarted:
        conclude(Outcome::NoAnswer, texts::restartedWithoutAnswer(texts::FrontEnd::CommandLine));
        return;
    }
}

// Whether the register holds another unit with the configuration's protocol, network and
// code, and the installer did not say to go on.
bool LinkCommand::duplicateStops(const QByteArray& configuration) {
    if (!register_)
        return false;
    // The code is reserved for this unit until its write is recorded, so that another
    // program choosing or checking it meanwhile finds it taken.
    std::optional<registry::CodeHolder> holder;
    const auto error = register_->reserve(serial_, configuration, holder);
    sayLocalOnlyGuard();
    if (error) {
        // A register that cannot be read does not stop the work.
        console_.err(QStringLiteral("Attenzione: ") + texts::duplicateCheckNotMade(error->message));
        return false;
    }
    if (!holder)
        return false;
    if (options_.force) {
        console_.err(registry::holderText(*holder) +
                     QStringLiteral(" Si scrive comunque (--forza)."));
        return false;
    }
    conclude(Outcome::Duplicate,
             registry::holderText(*holder) +
                 QStringLiteral(" Nulla è stato scritto: per scrivere comunque, --forza."));
    return true;
}

// How a write that went out ended, in the register's terms; nothing for the ends that come
// before anything is sent.
std::optional<registry::Outcome> LinkCommand::writeOutcomeOf(Outcome outcome) {
    switch (outcome) {
    case Outcome::Programmed:
        return registry::Outcome::Written;
    case Outcome::Refused:
        return registry::Outcome::Refused;
    case Outcome::NoAnswer:
        return registry::Outcome::NoAnswer;
    case Outcome::PortFailed:
        return registry::Outcome::PortLost;
    case Outcome::NotSuitable:
    case Outcome::NotWritten:
    case Outcome::Duplicate:
    case Outcome::Differs: // recorded as written when the unit answered "A"
    case Outcome::NotVerified:
        break;
    }
    return std::nullopt;
}

// Every write that went out is recorded, after its outcome is shown; a record that cannot be
// made is said, and never changes the outcome. Returns the record's id.
std::optional<QString> LinkCommand::recordWrite(registry::Outcome outcome) {
    registry::WriteFacts facts;
    facts.outcome = outcome;
    facts.serialNumber = serial_;
    facts.configuration = configuration_;
    facts.backupPath = backupPath_;
    facts.site = options_.site;
    // A unit of a piano carries its own description.
    facts.description = planned_ && !planned_->zone.isEmpty() ? planned_->zone : options_.zone;
    facts.changes = changes_;
    registry::UnitRecord made;
    if (const auto error = register_->record(facts, &made)) {
        console_.err(QStringLiteral("Attenzione: ") +
                     registry::notRecordedText(facts.outcome, *error));
        return std::nullopt;
    }
    register_->exchange();
    return made.id;
}

void LinkCommand::recordReadBack() {
    if (!recordId_)
        return; // the write's record could not be made: said then
    if (const auto error = register_->recordVerification(*recordId_, readBack_)) {
        console_.err(QStringLiteral("Attenzione: l'esito della verifica non è stato registrato: ") +
                     error->message);
        return;
    }
    register_->exchange();
}

int LinkCommand::statusOf(Outcome outcome) const {
    switch (outcome) {
    case Outcome::Programmed:
        return kOk;
    case Outcome::Refused:
        return kRefused;
    case Outcome::NoAnswer:
        return kNoAnswer;
    case Outcome::NotSuitable:
        return kNotSuitable;
    case Outcome::NotWritten:
        return kInvalid;
    case Outcome::PortFailed:
        return kPortError;
    case Outcome::Duplicate:
        return kDuplicate;
    case Outcome::Differs:
        return kVerifyMismatch;
    case Outcome::NotVerified:
        return kNotVerified;
    }
    return kPortError;
}

void LinkCommand::conclude(Outcome outcome, const QString& detail, int fatalStatus) {
    const bool readBack = verifying_;
    const bool sent = writing_ || readBack;
    // A unit the peripheral may hold (written, or sent without a sure answer) is not given again.
    if (planned_ && sent && outcome != Outcome::Refused)
        plan_.taken(serial_, *planned_);
    // A row whose code another unit holds is said once: the next peripheral gets the next row.
    if (planned_ && outcome == Outcome::Duplicate && !plan_.byRange())
        plan_.skipped(serial_);
    // The record of a write that went out takes the place of its reservation.
    if (!sent && register_)
        register_->release(serial_);
    handling_ = false;
    writing_ = false;
    verifying_ = false;
    static const char* const kWords[] = {"OK",         "RIFIUTATA",   "NESSUNA_RISPOSTA",
                                         "NON_ADATTA", "NON_SCRITTA", "ERRORE_PORTA",
                                         "DUPLICATO",  "DIVERSA",     "NON_VERIFICATA"};
    const QString word = QLatin1String(kWords[static_cast<int>(outcome)]);
    console_.out(QStringLiteral("%1 %2: %3").arg(serial_, word, detail));
    if (sent && register_) {
        if (readBack)
            recordReadBack();
        else if (const auto written = writeOutcomeOf(outcome))
            recordWrite(*written);
    }
    if (log_) {
        const LogEntry entry{QDateTime::currentDateTime(),
                             serial_,
                             shownName(QFileInfo(options_.file).absoluteFilePath()),
                             word,
                             detail,
                             backupPath_};
        if (const auto error = log_->append(entry)) {
            console_.err(*error);
            finish(kFileError);
            return;
        }
    }
    if (outcome == Outcome::Programmed) {
        programmed_.insert(serial_);
        notProgrammed_.remove(serial_);
        duplicates_.remove(serial_);
    } else if (!programmed_.contains(serial_)) {
        notProgrammed_.insert(serial_);
        if (outcome == Outcome::Duplicate)
            duplicates_.insert(serial_);
    }

    if (!batch()) {
        finish(fatalStatus != 0 ? fatalStatus : statusOf(outcome));
        return;
    }
    if (fatalStatus != 0 || outcome == Outcome::PortFailed) {
        summarise(QStringLiteral("errore"));
        finish(fatalStatus != 0 ? fatalStatus : kPortError);
        return;
    }
    if (options_.count > 0 && programmed_.size() >= options_.count) {
        endBatch(QStringLiteral("%1 periferiche programmate").arg(options_.count));
        return;
    }
    if (stop_ && stop_->requested()) {
        endBatch(stop_->reason());
        return;
    }
    if (const auto why = plan_.exhausted(codeRegister())) {
        console_.err(QStringLiteral("Non ci sono altre periferiche da programmare: %1.").arg(*why));
        endBatch(plan_.byRange() ? QStringLiteral("codici esauriti")
                                 : QStringLiteral("piano completato"));
        return;
    }
    if (nextRead_) {
        const auto [image, firmwareM6] = *nextRead_;
        nextRead_.reset();
        writeConfiguration(image, firmwareM6);
        return;
    }
    awaitNext();
}

void LinkCommand::summarise(const QString& why) {
    console_.err(QStringLiteral("Fine della programmazione (%1): %2 periferiche programmate, %3 "
                                "non programmate, %4 scritture tentate. Registro: %5")
                     .arg(why)
                     .arg(programmed_.size())
                     .arg(notProgrammed_.size())
                     .arg(attempts_)
                     .arg(quotedName(log_->path())));
}

void LinkCommand::endBatch(const QString& why) {
    summarise(why);
    if (options_.count > 0 && programmed_.size() < options_.count)
        finish(kInterrupted);
    else if (!duplicates_.isEmpty())
        finish(kDuplicate);
    else if (!notProgrammed_.isEmpty())
        finish(kSomeNotWritten);
    else
        finish(kOk);
}

void LinkCommand::onWaitExpired() {
    if (finished_)
        return;
    if (verifying_) {
        endReadBack(notVerified());
        return;
    }
    const QString message =
        QStringLiteral("Nessuna periferica si è annunciata entro %1: verificare il collegamento e "
                       "premere il tasto RESET dell'apparato.")
            .arg(secondsText(limitMs_ / 1000.0));
    console_.err(message);
    if (batch())
        endBatch(QStringLiteral("tempo scaduto"));
    else
        finish(kNoPeripheral);
}

void LinkCommand::onLinkFailed(const PortError& error, bool duringWrite) {
    if (finished_)
        return;
    if (verifying_) {
        readBack_ = notVerified();
        conclude(Outcome::NotVerified,
                 error.message + QLatin1Char(' ') + verificationText(readBack_), kPortError);
        return;
    }
    if (handling_) {
        conclude(Outcome::PortFailed,
                 duringWrite ? error.message + QLatin1Char(' ') +
                                   texts::writeUnknownAfterPortLoss(texts::FrontEnd::CommandLine)
                             : error.message,
                 kPortError);
        return;
    }
    console_.err(error.message);
    if (batch())
        summarise(QStringLiteral("collegamento interrotto"));
    finish(kPortError);
}

void LinkCommand::onBackupFailed(const FileError& error) {
    if (!finished_ && handling_)
        conclude(Outcome::NotWritten, error.message, kBackupFailed);
}

void LinkCommand::onStop() {
    if (finished_)
        return;
    if (writing_ || verifying_) {
        console_.err(QStringLiteral("Arresto richiesto (%1): attendo %2.")
                         .arg(stop_->reason(),
                              writing_ ? QStringLiteral("la risposta della periferica alla "
                                                        "scrittura in corso")
                                       : QStringLiteral("la rilettura della periferica scritta")));
        return; // conclude() ends after the answer or the read-back
    }
    if (batch()) {
        endBatch(stop_->reason());
        return;
    }
    console_.err(options_.command == Options::Command::Write
                     ? QStringLiteral("Interrotto (%1): nulla è stato scritto nella periferica.")
                           .arg(stop_->reason())
                     : QStringLiteral("Interrotto (%1).").arg(stop_->reason()));
    finish(kInterrupted);
}

void LinkCommand::finish(int status) {
    if (finished_)
        return;
    finished_ = true;
    session_.close();
    loop_.exit(status);
}

} // namespace selvana::cli
