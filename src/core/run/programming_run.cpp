#include "core/run/programming_run.h"

#include "core/fields/write_verification.h"
#include "core/texts/shared_texts.h"

namespace selvana {

ProgrammingRun::ProgrammingRun(ProgramState& state, SerialLink& link, RunHost& host,
                               QObject* parent)
    : QObject(parent), state_(state), host_(host), session_(link) {
    session_.tickTimer().setObjectName(QStringLiteral("tmrClock"));
    connect(&session_, &LinkSession::ticked, this, &ProgrammingRun::blink);
    connect(&session_, &LinkSession::announced, this, &ProgrammingRun::onAnnounced);
    connect(&session_, &LinkSession::configurationRead, this, &ProgrammingRun::onConfiguration);
    connect(&session_, &LinkSession::frameIncomplete, this, &ProgrammingRun::onFrameIncomplete);
    connect(&session_, &LinkSession::answered, this, &ProgrammingRun::onAnswer);
    connect(&session_, &LinkSession::backupFailed, this, &ProgrammingRun::onBackupFailed);
    connect(&session_, &LinkSession::linkFailed, this,
            [this](const PortError& error, bool duringWrite) {
                const bool report = duringWrite && writeReport_ == WriteReport::Pending;
                QString caption = duringWrite
                                      ? error.message + QLatin1Char(' ') + promptWriteUnknown()
                                      : error.message;
                if (verifying_)
                    caption += QLatin1Char(' ') + verificationText(notVerified());
                idleAfterFailure(caption);
                if (report)
                    reportWrite(WriteOutcome::PortLost);
            });
    connect(&session_, &LinkSession::waitExpired, this, [this] {
        if (verifying_)
            endReadBack(notVerified());
    });
}

// The window's prompts: the texts it shares with the command line, with the window's own steps.
QString ProgrammingRun::promptLoad() {
    return texts::readPrompt();
}
QString ProgrammingRun::promptSave() {
    return texts::writing();
}
QString ProgrammingRun::promptWritten() {
    return texts::written();
}
QString ProgrammingRun::promptRefused() {
    return texts::refused();
}
QString ProgrammingRun::promptIncomplete() {
    return texts::frameIncomplete(texts::FrontEnd::Window);
}
QString ProgrammingRun::promptNoAnswer() {
    return texts::noAnswer(texts::FrontEnd::Window);
}
QString ProgrammingRun::promptRestarted() {
    return texts::restartedWithoutAnswer(texts::FrontEnd::Window);
}
QString ProgrammingRun::promptWriteUnknown() {
    return texts::writeUnknownAfterPortLoss(texts::FrontEnd::Window);
}

namespace {

constexpr unsigned offer(Command command) {
    return 1u << static_cast<unsigned>(command);
}

// The commands each state of the toolbar offers, by Toolbar.
constexpr unsigned kToolbarOffers[] = {
    offer(Command::Config) | offer(Command::End),
    offer(Command::Config) | offer(Command::Load) | offer(Command::Reti) | offer(Command::End),
    offer(Command::End),
    offer(Command::Save) | offer(Command::End),
    offer(Command::Load) | offer(Command::Reti) | offer(Command::End),
};

} // namespace

void ProgrammingRun::showToolbar(Toolbar state) {
    const unsigned offered = kToolbarOffers[static_cast<int>(state)];
    for (Command command :
         {Command::Load, Command::Save, Command::Reti, Command::End, Command::Config}) {
        const bool on = (offered & offer(command)) != 0;
        if (command == Command::Save)
            offerSave(on);
        else
            host_.setCommandEnabled(command, on);
    }
}

void ProgrammingRun::offerSave(bool editorAllows) {
    host_.setCommandEnabled(Command::Save, editorAllows && configurationRead());
}

void ProgrammingRun::showIdleToolbar() {
    showToolbar(state_.PortNumber < 1 ? Toolbar::NoPort : Toolbar::Idle);
}

void ProgrammingRun::tlbMain_ButtonClick(Command command) {
    host_.writeNetworks();
    previousCommand_ = lastCommand_;
    lastCommand_ = command;
    host_.hideNetworksPanel();

    switch (command) {
    case Command::Config:
        host_.runPortWindow();
        tlbMain_ButtonClick(Command::End);
        return;
    case Command::Load:
        startLoad();
        break;
    case Command::Save:
        startSave();
        break;
    case Command::Reti:
        showToolbar(Toolbar::OnlyEnd);
        host_.showNetworksPanel();
        break;
    case Command::End:
        endCommand();
        return;
    }
    emit commandDone(command);
}

void ProgrammingRun::startLoad() {
    host_.setPrompt(promptLoad());
    host_.setPromptColour(kRed);
    host_.showPreparePanel();
    host_.hidePresentationPanel();
    host_.showPreparePanel();
    closeLink();
    host_.fillCombos();
    session_.setBandLetter(state_.BandLetter);
    auto error = session_.open(host_.deviceForPort(state_.PortNumber));
    if (error && error->kind == PortError::Kind::Absent) {
        if (const auto instead = host_.deviceInsteadOfAbsent(*error)) {
            error = session_.open(*instead);
            host_.setPrompt(promptLoad());
        }
    }
    if (error) {
        idleAfterFailure(error->message);
        return;
    }
    showToolbar(Toolbar::OnlyEnd);
}

void ProgrammingRun::startSave() {
    // A port that failed since the last tick says so before any field is looked at.
    if (const auto failure = session_.portFailure()) {
        idleAfterFailure(failure->message);
        return;
    }
    if (previousCommand_ != Command::Load || !session_.mayWrite()) {
        // Nothing goes to a peripheral whose own configuration is not the one shown.
        lastCommand_ = previousCommand_;
        offerSave(false);
        return;
    }
    // From here on the editor may not offer SAVE again (covering it makes its boxes check
    // themselves), unless nothing is sent after all.
    showToolbar(Toolbar::OnlyEnd);
    host_.setPrompt(promptSave());
    host_.showPreparePanel();
    // Nothing leaves unless the whole configuration could be collected.
    if (const auto error = host_.collectConfiguration()) {
        stayBeforeSave();
        host_.reportFieldError(*error);
        return;
    }
    if (!host_.approveWrite()) {
        stayBeforeSave();
        return;
    }
    // A copy that cannot be kept, or a port gone, is reported by the session's signals.
    if (session_.write(state_.SaveImage)) {
        writeReport_ = WriteReport::Pending;
        written_ = state_.SaveImage;
    } else {
        host_.writeNotSent();
    }
}

// The run goes on showing the configuration, as before the click.
void ProgrammingRun::stayBeforeSave() {
    lastCommand_ = previousCommand_;
    host_.hidePreparePanel();
    showToolbar(Toolbar::Editing);
}

// A write still awaiting its answer is forgotten with the port: nothing is reported for it. A
// read-back still awaited ends unverified.
void ProgrammingRun::closeLink() {
    session_.close();
    writeReport_ = WriteReport::None;
    abandonReadBack();
}

void ProgrammingRun::reportWrite(WriteOutcome outcome) {
    writeReport_ = outcome == WriteOutcome::NoAnswer ? WriteReport::Unknown : WriteReport::None;
    host_.writeEnded(outcome);
}

// The port stays open after the "A": the unit's next announcement brings back what it holds.
// It is recorded as written first, so its verification has a record to go with.
void ProgrammingRun::startReadBack() {
    verifying_ = true;
    showToolbar(Toolbar::OnlyEnd);
    host_.setPrompt(readBackPrompt());
    reportWrite(WriteOutcome::Written);
    // A message of the register may have let the read-back end meanwhile.
    if (verifying_)
        session_.awaitPeripheral(session_.timing().answerWaitMs);
}

void ProgrammingRun::endReadBack(const ReadBack& readBack) {
    verifying_ = false;
    session_.close();
    showToolbar(Toolbar::Written);
    host_.setPrompt(verificationText(readBack));
    host_.writeVerified(readBack);
}

// Nothing came back before the port closed: nothing is known of what the unit holds.
void ProgrammingRun::abandonReadBack() {
    if (!verifying_)
        return;
    verifying_ = false;
    host_.writeVerified(notVerified());
}

void ProgrammingRun::endCommand() {
    if (!previousCommand_ || *previousCommand_ == Command::End) {
        host_.endProgram();
        return;
    }
    host_.takeNetworksFromGrid();
    closeLink();
    showIdleToolbar();
    host_.showPresentationPanel();
    host_.reloadNetworks();
    emit commandDone(Command::End);
}

void ProgrammingRun::idleAfterFailure(const QString& caption) {
    closeLink();
    host_.setPrompt(caption);
    host_.setPromptColour(kRed);
    host_.hidePresentationPanel();
    host_.showPreparePanel();
    showIdleToolbar();
}

void ProgrammingRun::blink() {
    host_.setPromptColour(host_.promptColour() ^ kBlinkMask);
}

void ProgrammingRun::onAnnounced(std::uint8_t firmwareM6) {
    state_.FirmwareM6 = firmwareM6;
    // The peripheral restarted, or another one is connected: what the editor shows is not its
    // configuration until its frame has been read.
    offerSave(false);
    if (reading())
        present();
}

void ProgrammingRun::onConfiguration(const Image& image, std::uint8_t firmwareM6) {
    // The unit read back is compared, not shown: the editor keeps what was written.
    if (verifying_) {
        endReadBack(compareReadBack(written_, image, &state_.networkList));
        return;
    }
    // A frame that follows a restart during a write is not shown.
    if (!reading())
        return;
    state_.FirmwareM6 = firmwareM6;
    present(&image);
    emit framePresented();
}

void ProgrammingRun::onFrameIncomplete() {
    if (!reading())
        return;
    host_.setPrompt(promptIncomplete());
    host_.showPreparePanel();
    offerSave(false);
}

void ProgrammingRun::onAnswer(LinkSession::Answer answer) {
    const bool report = writeReport_ != WriteReport::None;
    switch (answer) {
    case LinkSession::Answer::Accepted:
        if (report && readBack_) {
            startReadBack();
            return;
        }
        session_.close();
        showToolbar(Toolbar::Written);
        host_.setPrompt(promptWritten());
        if (report)
            reportWrite(WriteOutcome::Written);
        return;
    case LinkSession::Answer::Refused:
        host_.showPreparePanel();
        host_.setPrompt(promptRefused());
        showToolbar(Toolbar::OnlyEnd);
        if (report)
            reportWrite(WriteOutcome::Refused);
        return;
    case LinkSession::Answer::None:
        // The port stays open, so a late answer still counts; END leaves.
        host_.setPrompt(promptNoAnswer());
        host_.showPreparePanel();
        if (writeReport_ == WriteReport::Pending)
            reportWrite(WriteOutcome::NoAnswer);
        return;
    case LinkSession::Answer::Restarted:
        state_.FirmwareM6 = session_.firmwareM6();
        host_.setPrompt(promptRestarted());
        host_.showPreparePanel();
        if (writeReport_ == WriteReport::Pending)
            reportWrite(WriteOutcome::NoAnswer);
        writeReport_ = WriteReport::None; // a restarted peripheral answers nothing later
        return;
    }
}

void ProgrammingRun::onBackupFailed(const FileError& error) {
    // Nothing was sent: the configuration may be written once the copy can be kept.
    lastCommand_ = previousCommand_;
    host_.setPrompt(error.message);
    host_.showPreparePanel();
    showToolbar(Toolbar::Editing);
}

void ProgrammingRun::present(const Image* read) {
    const bool writable = read ? host_.presentRead(*read) : host_.presentConfiguration();
    host_.hidePreparePanel();
    offerSave(writable);
}

} // namespace selvana
