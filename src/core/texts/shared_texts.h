#pragma once

#include <QString>

#include <cstdint>

// The texts that both the window and the command line show, each written once. Where the two
// differ, it is in the next step they offer: the window's commands or a command to run again.
namespace selvana::texts {

enum class FrontEnd { Window, CommandLine };

// A read: "Collegare l'apparato e premere il tasto RESET", naming the port when given.
QString connectAndReset(const QString& port = {});
// The window's prompt of a read, which also says how to leave.
QString readPrompt();
QString writing();
QString written();
QString refused();
QString frameIncomplete(FrontEnd frontEnd);
// No answer to a write; `within` names the wait ("5 s") when given.
QString noAnswer(FrontEnd frontEnd, const QString& within = {});
QString restartedWithoutAnswer(FrontEnd frontEnd);
// Added to the port's own message when it was lost while a write awaited its answer.
QString writeUnknownAfterPortLoss(FrontEnd frontEnd);

// "M6 e successive" or "precedenti alla M6".
QString firmwareName(std::uint8_t firmwareM6);
// "UHF" or "VHF".
QString bandName(std::uint8_t bandaUHF);

// Fragments, lower-case: "nessun adattatore seriale collegato", "sono collegati 2 adattatori
// seriali" (several where one was looked for); the list's caption "Porte seriali rilevate:".
QString noAdapterPlugged();
QString adaptersPlugged(int count);
QString detectedPortsCaption();

// What a network code may be, for a message that refuses one: "un numero da 0 a 65535".
QString networkCodeRange();
// What a port number may be: "un numero da 1 a 4".
QString portNumberRange();

// A fragment as the start of a sentence, and as a whole sentence with its full stop.
QString capitalised(QString fragment);
QString sentence(const QString& fragment);

// The duplicate check could not be made, a fragment; the write goes on.
QString duplicateCheckNotMade(const QString& why);

} // namespace selvana::texts
