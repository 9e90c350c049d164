#include "core/link/programming_run.h"

#include "core/link/frame_codec.h"

namespace selvana {

ProgrammingRun::ProgrammingRun(ProgramState& state, SerialLink& link, RunHost& host,
                               QObject* parent)
    : QObject(parent), state_(state), link_(link), host_(host), exchange_(link) {
    tmrClock_.setObjectName(QStringLiteral("tmrClock"));
    tmrClock_.setInterval(0);
    framePoll_.setInterval(kFramePollMs);
    connect(&tmrClock_, &QTimer::timeout, this, &ProgrammingRun::tmrClock_Timer);
    connect(&framePoll_, &QTimer::timeout, this, [this] { pollLink(false); });
    elapsed_.start();
    clock_ = [this] { return elapsed_.elapsed(); };
}

QString ProgrammingRun::promptLoad() {
    return QStringLiteral(
        "Collegare l'apparato e premere il tasto RESET oppure uscire dall'applicazione");
}
QString ProgrammingRun::promptSave() {
    return QStringLiteral("Attendere prego, scrittura dei dati in corso");
}
QString ProgrammingRun::promptWritten() {
    return QStringLiteral("Programmazione Periferico effettuata con successo");
}
QString ProgrammingRun::promptRefused() {
    return QStringLiteral("Programmazione Periferica Fallita");
}
QString ProgrammingRun::promptIncomplete() {
    return QStringLiteral("Configurazione ricevuta incompleta: premere di nuovo il tasto RESET "
                          "dell'apparato oppure uscire dall'applicazione");
}

QString ProgrammingRun::promptNoAnswer() {
    return QStringLiteral("Nessuna risposta dall'apparato: verificare il cavo e il collegamento. "
                          "La programmazione potrebbe non essere avvenuta: uscire con \"Fine "
                          "lavoro\" e ripetere la lettura.");
}

QString ProgrammingRun::promptWriteUnknown() {
    return QStringLiteral("La configurazione potrebbe non essere stata scritta nell'apparato: "
                          "dopo averlo ricollegato, ripetere la lettura e la programmazione.");
}

void ProgrammingRun::setCommands(bool load, bool save, bool reti, bool end, bool config) {
    host_.setCommandEnabled(QStringLiteral("LOAD"), load);
    host_.setCommandEnabled(QStringLiteral("SAVE"), save);
    host_.setCommandEnabled(QStringLiteral("RETI"), reti);
    host_.setCommandEnabled(QStringLiteral("END"), end);
    host_.setCommandEnabled(QStringLiteral("CONFIG"), config);
}

void ProgrammingRun::tlbMain_ButtonClick(const QString& key) {
    host_.writeNetworks();
    previousCommand_ = lastCommand_;
    lastCommand_ = key;
    host_.hideNetworksPanel();

    if (key == QLatin1String("CONFIG")) {
        host_.runPortWindow();
        tlbMain_ButtonClick(QStringLiteral("END"));
        return;
    }
    if (key == QLatin1String("LOAD"))
        startLoad();
    else if (key == QLatin1String("SAVE"))
        startSave();
    else if (key == QLatin1String("RETI")) {
        setCommands(false, false, false, true, false);
        host_.showNetworksPanel();
    } else if (key == QLatin1String("END")) {
        endCommand();
        return;
    }
    emit commandDone(key);
}

void ProgrammingRun::startLoad() {
    host_.setPrompt(promptLoad());
    host_.setPromptColour(kRed);
    host_.showPreparePanel();
    host_.hidePresentationPanel();
    host_.showPreparePanel();
    if (link_.isOpen())
        link_.close();
    host_.fillCombos();
    exchange_.reset();
    configurationRead_ = false;
    writeInFlight_ = false;
    auto error = link_.open(host_.deviceForPort(state_.PortNumber));
    if (error && error->kind == PortError::Kind::Absent) {
        if (const auto instead = host_.deviceInsteadOfAbsent(*error)) {
            error = link_.open(*instead);
            host_.setPrompt(promptLoad());
        }
    }
    if (error) {
        idleAfterFailure(error->message);
        return;
    }
    tmrClock_.setInterval(kTickMs);
    tmrClock_.start();
    setCommands(false, false, false, true, false);
}

void ProgrammingRun::startSave() {
    const QString unsent = QStringLiteral(
        "Impossibile inviare la configurazione: la porta seriale non è più disponibile. "
        "Verificare il collegamento e ripetere la lettura.");
    // A port that failed since the last tick says so before any field is looked at.
    if (!link_.isOpen()) {
        const auto failure = link_.failure();
        idleAfterFailure(failure ? failure->message : unsent);
        return;
    }
    if (!configurationRead_) {
        // Nothing goes to a peripheral whose own configuration is not the one shown.
        lastCommand_ = previousCommand_;
        host_.setCommandEnabled(QStringLiteral("SAVE"), false);
        return;
    }
    // One write per reading: from here on the editor may not offer SAVE again (covering it
    // makes its boxes check themselves), unless nothing is sent after all.
    configurationRead_ = false;
    setCommands(false, false, false, true, false);
    host_.setPrompt(promptSave());
    host_.showPreparePanel();
    // SaveData: nothing leaves unless the whole configuration could be collected.
    if (const auto error = host_.collectConfiguration()) {
        // Nothing was sent: the run goes on showing the configuration, as before the click.
        configurationRead_ = true;
        lastCommand_ = previousCommand_;
        host_.hidePreparePanel();
        setCommands(false, true, false, true, false);
        host_.reportFieldError(*error);
        return;
    }
    if (!exchange_.sendConfiguration(state_.SaveImage)) {
        idleAfterFailure(unsent);
        return;
    }
    writeInFlight_ = true;
    noAnswerTold_ = false;
    writeSentMs_ = now();
}

void ProgrammingRun::endCommand() {
    if (!previousCommand_.isEmpty() && previousCommand_ != QLatin1String("END")) {
        configurationRead_ = false;
        writeInFlight_ = false;
        host_.takeNetworksFromGrid();
        if (link_.isOpen())
            link_.close();
        tmrClock_.stop();
        framePoll_.stop();
        if (state_.PortNumber < 1)
            setCommands(false, false, false, true, true);
        else
            setCommands(true, false, true, true, true);
        host_.showPresentationPanel();
        host_.reloadNetworks();
        emit commandDone(QStringLiteral("END"));
    } else {
        host_.endProgram();
    }
}

void ProgrammingRun::idleAfterFailure(const QString& caption) {
    configurationRead_ = false;
    writeInFlight_ = false;
    if (link_.isOpen())
        link_.close();
    tmrClock_.stop();
    framePoll_.stop();
    exchange_.reset();
    host_.setPrompt(caption);
    host_.setPromptColour(kRed);
    host_.hidePresentationPanel();
    host_.showPreparePanel();
    if (state_.PortNumber < 1)
        setCommands(false, false, false, true, true);
    else
        setCommands(true, false, true, true, true);
}

void ProgrammingRun::tmrClock_Timer() {
    pollLink(true);
}

void ProgrammingRun::pollLink(bool blink) {
    if (blink)
        host_.setPromptColour(host_.promptColour() ^ kBlinkMask);
    if (const auto failure = link_.failure()) {
        // Lost while the answer to a write was awaited: whether it arrived is unknown.
        idleAfterFailure(writeInFlight_ ? failure->message + QLatin1Char(' ') + promptWriteUnknown()
                                        : failure->message);
        return;
    }
    if (!link_.isOpen()) {
        tmrClock_.stop();
        framePoll_.stop();
        return;
    }
    handle(exchange_.poll(now()));
    if (writeInFlight_ && !noAnswerTold_ && now() - writeSentMs_ >= kWriteAnswerWaitMs) {
        // Said once; port and commands stay, so a late answer still counts and END leaves.
        noAnswerTold_ = true;
        host_.setPrompt(promptNoAnswer());
        host_.showPreparePanel();
    }
    if (link_.isOpen() && exchange_.waitingForFrame()) {
        if (!framePoll_.isActive())
            framePoll_.start();
    } else {
        framePoll_.stop();
    }
}

void ProgrammingRun::handle(const LinkMessage& message) {
    using Kind = LinkMessage::Kind;
    switch (message.kind) {
    case Kind::Announce:
        state_.FirmwareM6 = message.letter == 'K' ? 1 : 0;
        // The peripheral restarted, or another one is connected: what the editor shows is not
        // its configuration until its frame has been read.
        configurationRead_ = false;
        host_.setCommandEnabled(QStringLiteral("SAVE"), false);
        break;
    case Kind::Acknowledge:
        if (lastCommand_ == QLatin1String("LOAD")) {
            host_.showPreparePanel();
            host_.setCommandEnabled(QStringLiteral("SAVE"), true);
        } else if (lastCommand_ == QLatin1String("SAVE")) {
            // Only an answer to a write in flight counts; a stray one is no success.
            if (!writeInFlight_)
                return;
            writeInFlight_ = false;
            setCommands(true, false, true, true, false);
            host_.setPrompt(promptWritten());
            link_.close();
            tmrClock_.stop();
            framePoll_.stop();
        }
        break;
    case Kind::Refuse:
        writeInFlight_ = false;
        host_.showPreparePanel();
        host_.setPrompt(promptRefused());
        setCommands(false, false, false, true, false);
        break;
    case Kind::Frame:
        break;
    case Kind::Expired:
        if (lastCommand_ == QLatin1String("LOAD")) {
            host_.setPrompt(promptIncomplete());
            host_.showPreparePanel();
        }
        return;
    default:
        return; // nothing complete arrived
    }
    if (lastCommand_ == QLatin1String("LOAD")) {
        const bool frame = message.kind == Kind::Frame;
        if (frame) {
            Analyze(message.bytes, state_.BandLetter, state_.ConfigImage, state_.record);
            configurationRead_ = true;
        }
        present();
        if (frame)
            emit framePresented();
    }
}

void ProgrammingRun::present() {
    const bool writable = host_.presentConfiguration();
    host_.hidePreparePanel();
    host_.setCommandEnabled(QStringLiteral("SAVE"), writable);
}

} // namespace selvana
