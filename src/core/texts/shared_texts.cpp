#include "core/texts/shared_texts.h"

#include "core/networks/cell_edit.h"
#include "core/session/program_state.h"

namespace selvana::texts {

namespace {

// After a write whose outcome is not known.
QString unsureWriteStep(FrontEnd frontEnd) {
    return frontEnd == FrontEnd::Window
               ? QStringLiteral("uscire con \"Fine lavoro\" e ripetere la lettura")
               : QStringLiteral("rileggere la periferica per verificare");
}

QString mayNotBeWritten() {
    return QStringLiteral("la programmazione potrebbe non essere avvenuta");
}

} // namespace

QString connectAndReset(const QString& port) {
    return port.isEmpty()
               ? QStringLiteral("Collegare l'apparato e premere il tasto RESET")
               : QStringLiteral("Collegare l'apparato alla porta %1 e premere il tasto RESET")
                     .arg(port);
}

QString readPrompt() {
    return connectAndReset() + QStringLiteral(" oppure uscire dall'applicazione");
}

QString writing() {
    return QStringLiteral("Attendere prego, scrittura dei dati in corso");
}

QString written() {
    return QStringLiteral("Programmazione Periferico effettuata con successo");
}

QString refused() {
    return QStringLiteral("Programmazione Periferica Fallita");
}

QString frameIncomplete(FrontEnd frontEnd) {
    const QString text = QStringLiteral(
        "Configurazione ricevuta incompleta: premere di nuovo il tasto RESET dell'apparato");
    return frontEnd == FrontEnd::Window ? text + QStringLiteral(" oppure uscire dall'applicazione")
                                        : text + QLatin1Char('.');
}

QString noAnswer(FrontEnd frontEnd, const QString& within) {
    const QString wait = within.isEmpty() ? QString() : QStringLiteral(" entro ") + within;
    return QStringLiteral("Nessuna risposta dall'apparato%1: verificare il cavo e il "
                          "collegamento. %2: %3.")
        .arg(wait, capitalised(mayNotBeWritten()), unsureWriteStep(frontEnd));
}

QString restartedWithoutAnswer(FrontEnd frontEnd) {
    return QStringLiteral("L'apparato si è riavviato senza rispondere alla scrittura: %1. %2.")
        .arg(mayNotBeWritten(), capitalised(unsureWriteStep(frontEnd)));
}

QString writeUnknownAfterPortLoss(FrontEnd frontEnd) {
    const QString step = frontEnd == FrontEnd::Window
                             ? QStringLiteral("ripetere la lettura e la programmazione")
                             : QStringLiteral("rileggerlo per verificare");
    return QStringLiteral("%1: dopo aver ricollegato l'apparato, %2.")
        .arg(capitalised(mayNotBeWritten()), step);
}

QString firmwareName(std::uint8_t firmwareM6) {
    return firmwareM6 != 0 ? QStringLiteral("M6 e successive")
                           : QStringLiteral("precedenti alla M6");
}

QString bandName(std::uint8_t bandaUHF) {
    return bandaUHF != 0 ? QStringLiteral("UHF") : QStringLiteral("VHF");
}

QString noAdapterPlugged() {
    return QStringLiteral("nessun adattatore seriale collegato");
}

QString adaptersPlugged(int count) {
    return QStringLiteral("sono collegati %1 adattatori seriali").arg(count);
}

QString detectedPortsCaption() {
    return QStringLiteral("Porte seriali rilevate:");
}

QString networkCodeRange() {
    return QStringLiteral("un numero da 0 a %1").arg(kMaxNetworkId);
}

QString portNumberRange() {
    return QStringLiteral("un numero da 1 a %1").arg(kPortCount);
}

QString capitalised(QString fragment) {
    if (!fragment.isEmpty())
        fragment[0] = fragment[0].toUpper();
    return fragment;
}

QString sentence(const QString& fragment) {
    return capitalised(fragment) + QLatin1Char('.');
}

QString duplicateCheckNotMade(const QString& why) {
    return QStringLiteral("controllo dei codici doppi non eseguito: %1").arg(why);
}

} // namespace selvana::texts
