#include "command_line.h"

#include "cli/exit_status.h"
#include "cli/programming_log.h"
#include "core/files/backup_store.h"
#include "core/link/link_timing.h"
#include "core/networks/network_list.h"
#include "core/session/program_state.h"
#include "core/texts/shared_texts.h"
#include "registry/installer.h"
#include "registry/record_text.h"
#include "registry/server_address.h"
#include "serial/port_devices.h"
#include "serial/port_enumerator.h"
#include "serial/port_slots.h"
#include "serial/settings_store.h"

#include <QDir>
#include <QRegularExpression>

#include <cmath>

namespace selvana::cli {

namespace {

using Command = Options::Command;

constexpr double kLongestTimeoutS = 7 * 24 * 3600.0;

struct OptionInfo {
    const char* longName;
    char shortName;
    bool takesValue;
    QList<Command> commands; // where it is allowed
};

const QList<OptionInfo>& knownOptions() {
    static const QList<OptionInfo> table = {
        {"port", 'p', true, {Command::Read, Command::Write, Command::Program}},
        {"output", 'o', true, {Command::Read, Command::Encode}},
        {"timeout", 't', true, {Command::Read, Command::Write, Command::Program}},
        {"count", 'n', true, {Command::Program}},
        {"log", 'l', true, {Command::Write, Command::Program}},
        {"json", 'j', false, {Command::Decode, Command::Diff, Command::Registro}},
        {"serial", 's', true, {Command::Decode, Command::Registro}},
        {"sito", 0, true, {Command::Registro, Command::Write, Command::Program}},
        {"zona", 0, true, {Command::Write, Command::Program}},
        {"forza", 0, false, {Command::Write, Command::Program}},
        {"prova", 0, false, {Command::Write}},
        {"verifica", 0, false, {Command::Write, Command::Program}},
        {"rete", 0, true, {Command::Registro}},
        {"csv", 0, false, {Command::Registro}},
        {"tutte", 0, false, {Command::Registro}},
        {"duplicati", 0, false, {Command::Registro}},
        {"pdf", 0, true, {Command::Registro}},
        {"registro", 0, true, {Command::Registro, Command::Write, Command::Program}},
        {"codici", 0, true, {Command::Program}},
        {"piano", 0, true, {Command::Program}},
    };
    return table;
}

const OptionInfo* findOption(const QString& name) {
    for (const OptionInfo& option : knownOptions()) {
        if (name == QLatin1String(option.longName) ||
            (name.size() == 1 && option.shortName != 0 && name[0] == QLatin1Char(option.shortName)))
            return &option;
    }
    return nullptr;
}

std::optional<Command> commandNamed(const QString& name) {
    if (name == QLatin1String("decode"))
        return Command::Decode;
    if (name == QLatin1String("diff"))
        return Command::Diff;
    if (name == QLatin1String("read"))
        return Command::Read;
    if (name == QLatin1String("write"))
        return Command::Write;
    if (name == QLatin1String("program"))
        return Command::Program;
    if (name == QLatin1String("porte"))
        return Command::Ports;
    if (name == QLatin1String("encode"))
        return Command::Encode;
    if (name == QLatin1String("registro"))
        return Command::Registro;
    return std::nullopt;
}

QString commandName(Command command) {
    switch (command) {
    case Command::Decode:
        return QStringLiteral("decode");
    case Command::Diff:
        return QStringLiteral("diff");
    case Command::Read:
        return QStringLiteral("read");
    case Command::Write:
        return QStringLiteral("write");
    case Command::Program:
        return QStringLiteral("program");
    case Command::Ports:
        return QStringLiteral("porte");
    case Command::Encode:
        return QStringLiteral("encode");
    case Command::Registro:
        return QStringLiteral("registro");
    default:
        return {};
    }
}

QString shown(const OptionInfo& option) {
    return QStringLiteral("--") + QLatin1String(option.longName);
}

std::optional<QString> apply(const OptionInfo& option, const QString& value, Options& o) {
    const QString name = QLatin1String(option.longName);
    if (name == QLatin1String("port")) {
        o.port = value.trimmed();
        if (o.port.isEmpty())
            return QStringLiteral("l'opzione --port richiede una porta");
    } else if (name == QLatin1String("output")) {
        o.output = value;
    } else if (name == QLatin1String("timeout")) {
        bool ok = false;
        const double seconds =
            QString(value).replace(QLatin1Char(','), QLatin1Char('.')).trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > kLongestTimeoutS)
            return QStringLiteral("il tempo massimo \"%1\" non è valido: indicare i secondi (per "
                                  "esempio 30 oppure 2,5), 0 per nessun limite")
                .arg(value);
        o.timeoutS = seconds;
    } else if (name == QLatin1String("count")) {
        bool ok = false;
        const int count = value.trimmed().toInt(&ok);
        if (!ok || count < 1)
            return QStringLiteral("il numero di periferiche \"%1\" non è valido: indicare un "
                                  "numero intero da 1 in su")
                .arg(value);
        o.count = count;
    } else if (name == QLatin1String("log")) {
        o.logPath = value;
    } else if (name == QLatin1String("json")) {
        o.json = true;
    } else if (name == QLatin1String("serial")) {
        static const QRegularExpression hex8(QStringLiteral("^[0-9A-Fa-f]{8}$"));
        if (!hex8.match(value.trimmed()).hasMatch())
            return QStringLiteral("il numero di serie \"%1\" non è valido: servono 8 cifre "
                                  "esadecimali (per esempio 1234ABCD)")
                .arg(value);
        o.serial = value.trimmed().toUpper();
    } else if (name == QLatin1String("sito")) {
        if (auto why =
                registry::checkedRecordText(value, QStringLiteral("il sito di --sito"), o.site))
            return *why;
        if (o.site.isEmpty())
            return QStringLiteral("l'opzione --sito richiede il nome del sito (o una sua parte)");
    } else if (name == QLatin1String("zona")) {
        if (auto why =
                registry::checkedRecordText(value, QStringLiteral("la zona di --zona"), o.zone))
            return *why;
    } else if (name == QLatin1String("forza")) {
        o.force = true;
    } else if (name == QLatin1String("prova")) {
        o.dryRun = true;
    } else if (name == QLatin1String("verifica")) {
        o.verify = true;
    } else if (name == QLatin1String("rete")) {
        o.network = networkCodeFromText(value);
        if (!o.network)
            return QStringLiteral("il codice di rete \"%1\" non è valido: indicare %2")
                .arg(value, texts::networkCodeRange());
    } else if (name == QLatin1String("csv")) {
        o.csv = true;
    } else if (name == QLatin1String("tutte")) {
        o.allWrites = true;
    } else if (name == QLatin1String("duplicati")) {
        o.duplicatesOnly = true;
    } else if (name == QLatin1String("pdf")) {
        o.pdfPath = value;
        if (o.pdfPath.trimmed().isEmpty())
            return QStringLiteral("l'opzione --pdf richiede il file da creare");
    } else if (name == QLatin1String("registro")) {
        QString why;
        if (!registry::ServerAddress::parse(value, &why))
            return why;
        o.registerUri = value.trimmed();
    } else if (name == QLatin1String("codici")) {
        CodeRange range;
        if (auto error = parseCodeRange(value, range))
            return error;
        o.codes = range;
    } else if (name == QLatin1String("piano")) {
        o.planPath = value;
        if (o.planPath.trimmed().isEmpty())
            return QStringLiteral("l'opzione --piano richiede il file del piano");
    }
    return std::nullopt;
}

} // namespace

double defaultTimeoutS(Command command) {
    return command == Command::Program ? 0.0 : 60.0;
}

std::optional<QString> parseCommandLine(const QStringList& arguments, Options& options) {
    // Asking for help is never an error, whatever else the line holds.
    for (const QString& arg : arguments) {
        if (arg == QLatin1String("--"))
            break;
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help") ||
            arg == QLatin1String("--version")) {
            options = Options{};
            options.command = arg == QLatin1String("--version") ? Command::Version : Command::Help;
            return std::nullopt;
        }
    }

    Options o;
    std::optional<Command> command;
    QStringList positional;
    QList<const OptionInfo*> given;
    bool optionsEnded = false;

    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            if (!command) {
                command = commandNamed(arg);
                if (!command)
                    return QStringLiteral("comando sconosciuto \"%1\": i comandi sono decode, "
                                          "diff, read, write, program, porte, encode e registro")
                        .arg(arg);
            } else {
                positional << arg;
            }
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString name;
        std::optional<QString> value;
        if (arg.startsWith(QLatin1String("--"))) {
            name = arg.mid(2);
            const qsizetype equals = name.indexOf(QLatin1Char('='));
            if (equals >= 0) {
                value = name.mid(equals + 1);
                name.truncate(equals);
            }
        } else {
            name = arg.mid(1, 1);
            if (arg.size() > 2)
                value = arg.mid(2);
        }
        const OptionInfo* option = findOption(name);
        if (!option)
            return QStringLiteral("opzione sconosciuta \"%1\"").arg(arg);
        if (!option->takesValue && value)
            return QStringLiteral("l'opzione %1 non accetta valori").arg(shown(*option));
        if (option->takesValue && !value) {
            if (i + 1 >= arguments.size())
                return QStringLiteral("manca il valore dell'opzione %1").arg(shown(*option));
            value = arguments[++i];
        }
        if (auto error = apply(*option, value.value_or(QString()), o))
            return error;
        given << option;
    }

    if (!command)
        return QStringLiteral("manca il comando: decode, diff, read, write, program, porte, "
                              "encode o registro");
    o.command = *command;
    for (const OptionInfo* option : given) {
        if (!option->commands.contains(o.command))
            return QStringLiteral("l'opzione %1 non vale per il comando %2")
                .arg(shown(*option), commandName(o.command));
    }

    if (o.codes && !o.planPath.isEmpty())
        return QStringLiteral("indicare i codici in un solo modo: --codici oppure --piano");
    if (o.dryRun && o.verify)
        return QStringLiteral("indicare --prova oppure --verifica, non entrambe: una prova non "
                              "scrive nulla da verificare");

    if (o.command == Command::Ports) {
        if (!positional.isEmpty())
            return QStringLiteral("il comando porte non accetta \"%1\"").arg(positional.first());
    } else if (o.command == Command::Read) {
        if (!positional.isEmpty())
            return QStringLiteral("il comando read non accetta \"%1\": il file da creare si "
                                  "indica con -o FILE")
                .arg(positional.first());
        if (o.output.isEmpty())
            return QStringLiteral("il comando read richiede il file da creare: -o FILE");
        o.file = o.output;
    } else if (o.command == Command::Diff) {
        if (positional.size() != 2)
            return QStringLiteral("il comando diff confronta due file di configurazione: diff "
                                  "A.con B.con");
        o.file = positional[0];
        o.otherFile = positional[1];
    } else if (o.command == Command::Registro) {
        if (!positional.isEmpty())
            return QStringLiteral("il comando registro non accetta \"%1\": si cerca con --sito, "
                                  "--rete e --serial")
                .arg(positional.first());
        if (o.csv && o.json)
            return QStringLiteral("indicare una sola uscita: --csv oppure --json");
    } else {
        if (o.command == Command::Encode && o.output.isEmpty())
            return QStringLiteral("il comando encode richiede il file di configurazione da "
                                  "creare: -o FILE");
        if (positional.isEmpty())
            return QStringLiteral("manca il file di configurazione");
        if (positional.size() > 1)
            return QStringLiteral("un solo file di configurazione, non \"%1\"")
                .arg(positional.join(QLatin1Char(' ')));
        o.file = positional.first();
    }
    options = o;
    return std::nullopt;
}

namespace {

// The only adapter present; several or none are named in the error.
std::optional<QString> autoPort(const QList<DetectedPort>& present, QString* error, int* status) {
    const QList<DetectedPort> candidates = adapterCandidates(present);
    if (candidates.size() == 1)
        return candidates.first().device;
    if (candidates.isEmpty()) {
        *error = QStringLiteral("--port auto: %1; collegarlo e riprovare (selvanam-cli porte "
                                "elenca le porte presenti)")
                     .arg(texts::noAdapterPlugged());
        *status = kPortError;
        return std::nullopt;
    }
    QStringList names;
    for (const DetectedPort& port : candidates)
        names << describePort(port);
    *error = QStringLiteral("--port auto: %1, indicarne uno con --port: %2")
                 .arg(texts::adaptersPlugged(candidates.size()), names.join(QStringLiteral("; ")));
    *status = kUsage;
    return std::nullopt;
}

} // namespace

std::optional<QString> resolvePort(const QString& port, const SettingsStore& settings,
                                   QString* error, const PortEnumerator* ports, int* status) {
    // A signed number is a port number too (a wrong one), never a device name.
    static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]+$"));
    int ignored = kUsage;
    if (!status)
        status = &ignored;
    *status = kUsage;
    const SystemPortEnumerator system;
    const PortEnumerator& enumerator = ports ? *ports : system;
    QString text = port.trimmed();
    if (text.isEmpty()) {
        const int stored = settings.storedPortNumber();
        if (stored < 1) {
            *error = QStringLiteral("nessuna porta indicata e nessuna porta scelta nella "
                                    "finestra: indicare --port con %1, auto oppure il "
                                    "dispositivo (per esempio /dev/ttyUSB0 o COM3)")
                         .arg(texts::portNumberRange());
            return std::nullopt;
        }
        text = QString::number(stored);
    }
    if (text.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0)
        return autoPort(enumerator.ports(), error, status);
    if (digits.match(text).hasMatch()) {
        const int number = text.toInt();
        if (number < 1 || number > kPortCount) {
            *error = QStringLiteral("la porta \"%1\" non esiste: indicare %2 oppure il "
                                    "dispositivo (per esempio /dev/ttyUSB0 o COM3)")
                         .arg(text, texts::portNumberRange());
            return std::nullopt;
        }
        // The command line follows a renamed adapter but leaves the window's settings alone.
        return locateSlot(storedSlot(number, settings), enumerator.ports()).device;
    }
    return text;
}

QString helpText() {
    QString text = QStringLiteral(
        "Uso: selvanam-cli COMANDO [OPZIONI]\n"
        "\n"
        "Programmatore a riga di comando delle periferiche Selvana M, con le stesse regole\n"
        "della finestra.\n"
        "\n"
        "Comandi:\n"
        "  decode FILE [--json] [--serial NUMERO]\n"
        "      Mostra un file di configurazione (.con): marcatori di firmware e di banda,\n"
        "      ogni campo con la sua unità e l'etichetta dell'editor, protocollo e via di\n"
        "      TX per nome, frequenza in MHz, verifica del checksum.\n"
        "  diff A.con B.con [--json]\n"
        "      Elenca i campi che cambiano dal primo file al secondo, una riga per campo\n"
        "      (\"Codice Periferica: 300 → 301\"), le reti con il nome dell'elenco delle\n"
        "      reti della finestra. Stato 0 se le configurazioni sono uguali, 15 se no.\n"
        "  read [--port PORTA] -o FILE [--timeout SECONDI]\n"
        "      Attende la periferica, ne legge la configurazione e la salva nel FILE\n"
        "      così come è stata letta.\n"
        "  write FILE [--port PORTA] [--timeout SECONDI] [--log FILE]\n"
        "          [--sito TESTO] [--zona TESTO] [--forza] [--registro URI]\n"
        "          [--prova | --verifica]\n"
        "      Attende la periferica, la legge, ne salva una copia di sicurezza e le\n"
        "      scrive la configurazione del FILE con il suo numero di serie. Prima di\n"
        "      scrivere elenca i campi che la scrittura cambia nella periferica.\n"
        "  program FILE [--port PORTA] [--count N] [--log FILE] [--timeout SECONDI]\n"
        "          [--sito TESTO] [--zona TESTO] [--forza] [--registro URI]\n"
        "          [--codici A-B | --piano FILE.csv] [--verifica]\n"
        "      Come write, una periferica dopo l'altra, finché N periferiche diverse sono\n"
        "      programmate oppure finché lo si ferma: Ctrl+C, fine dell'ingresso (Ctrl+D)\n"
        "      o la parola \"fine\" seguita da Invio. Una riga per periferica.\n"
        "      Con --codici o --piano ogni periferica riceve un codice suo.\n"
        "  porte\n"
        "      Elenca le porte seriali collegate (dispositivo, descrizione, produttore,\n"
        "      identificativi USB, numero di serie) e le porte da 1 a 4 della finestra\n"
        "      che le usano.\n"
        "  encode FILE.json -o FILE.con\n"
        "      L'inverso di decode --json: scrive il file di configurazione descritto dal\n"
        "      JSON. I campi il cui \"valore\" è stato cambiato sono scritti secondo le regole\n"
        "      della periferica, tutti gli altri byte restano come in \"byte5a64\".\n"
        "  registro [--sito TESTO] [--rete N] [--serial NUMERO] [--tutte] [--duplicati]\n"
        "           [--csv | --json] [--pdf FILE] [--registro URI]\n"
        "      Elenca le periferiche programmate, una riga per periferica con la sua ultima\n"
        "      scrittura (--tutte: ogni scrittura). Un codice che due periferiche della\n"
        "      stessa rete hanno è segnato (* nel testo, colonna \"doppio\" in CSV e JSON);\n"
        "      --duplicati elenca solo quelle. --pdf crea la scheda dell'impianto.\n"
        "\n"
        "Opzioni:\n"
        "  -p, --port PORTA       numero da 1 a 4 come in \"Impostazioni\" della finestra,\n"
        "                         auto (l'unico adattatore seriale collegato) oppure il\n"
        "                         dispositivo (/dev/ttyUSB0, COM3). Senza questa opzione\n"
        "                         vale la porta scelta nella finestra.\n"
        "  -o, --output FILE      (read) il file di configurazione da creare.\n"
        "  -t, --timeout SECONDI  attesa massima dell'annuncio della periferica dopo ogni\n"
        "                         richiesta di premere RESET; 0 = senza limite.\n"
        "                         Predefinito: 60 per read e write, senza limite per program.\n"
        "  -n, --count N          (program) numero di periferiche da programmare.\n"
        "      --codici A-B       (program) a ogni periferica il primo codice da A a B\n"
        "                         non presente nel registro per il protocollo e la rete\n"
        "                         del FILE e non ancora dato; finiti i codici, il lavoro\n"
        "                         termina.\n"
        "      --piano FILE.csv   (program) una riga per periferica, nell'ordine: codice,\n"
        "                         descrizione e, solo per Proteus-X, rete (facoltativa).\n"
        "                         Separati da ';' o da ','; intestazione facoltativa\n"
        "                         (codice, descrizione o zona, rete). Finite le righe, il\n"
        "                         lavoro termina.\n"
        "  -l, --log FILE         (write, program) registro CSV delle programmazioni.\n"
        "                         Predefinito: %1\n"
        "  -j, --json             (decode, diff) uscita in formato JSON.\n"
        "  -s, --serial NUMERO    (decode) numero di serie (8 cifre esadecimali) con cui\n"
        "                         verificare il checksum. (registro) la periferica cercata.\n"
        "      --sito TESTO       (registro) i siti il cui nome contiene il testo.\n"
        "                         (write, program) l'impianto registrato con ogni scrittura.\n"
        "      --zona TESTO       (write, program) la descrizione (zona) registrata.\n"
        "                         Sito e zona: al massimo %4 caratteri, su una riga.\n"
        "      --forza            (write, program) scrive anche un codice che un'altra\n"
        "                         periferica della stessa rete ha già nel registro.\n"
        "      --prova            (write) legge la periferica ed elenca i campi che la\n"
        "                         scrittura cambierebbe, senza scrivere nulla: nessuna\n"
        "                         copia di sicurezza, nulla nel registro né nel CSV.\n"
        "      --verifica         (write, program) dopo la risposta \"A\" si preme di\n"
        "                         nuovo RESET: la configurazione riletta entro l'attesa\n"
        "                         della risposta (%5) è confrontata con quella\n"
        "                         scritta e l'esito è registrato.\n"
        "      --rete N           (registro) il codice di rete.\n"
        "      --tutte            (registro) ogni scrittura, non solo l'ultima di ciascuna\n"
        "                         periferica.\n"
        "      --duplicati        (registro) solo le periferiche con un codice doppio.\n"
        "      --csv              (registro) uscita CSV (separata da punto e virgola).\n"
        "      --pdf FILE         (registro) crea la scheda dell'impianto in PDF.\n"
        "      --registro URI     il registro condiviso dell'azienda, per esempio\n"
        "                         postgresql://utente@server:5432/registro. Senza questa\n"
        "                         opzione vale l'impostazione \"Registro\" (sezione CONFIG).\n"
        "  -h, --help             mostra questo aiuto.\n"
        "      --version          mostra la versione.\n"
        "\n"
        "Prima di ogni scrittura la configurazione letta dalla periferica è salvata come\n"
        "copia di sicurezza in\n"
        "  %2\n"
        "con il nome NUMERODISERIE_AAAAMMGG-hhmmss.con. Per ripristinarne una: nella finestra\n"
        "\"Lettura Configurazione\", \"Importa\" e \"Programmazione\"; oppure\n"
        "selvanam-cli write COPIA.con.\n"
        "\n"
        "Il registro delle programmazioni è\n"
        "  %3\n"
        "\n"
        "Stato di uscita:\n"
        "   0  operazione riuscita\n"
        "   1  riga di comando errata (anche --port auto con più adattatori)\n"
        "   2  file non leggibile o non scrivibile (configurazione, registro, JSON, PDF)\n"
        "   3  porta non disponibile o collegamento interrotto (anche --port auto senza\n"
        "      adattatori)\n"
        "   4  nessuna periferica entro il tempo massimo\n"
        "   5  file non adatto alla periferica (firmware o banda)\n"
        "   6  un valore del file non è accettato: nulla è stato inviato (anche un\n"
        "      codice di --codici o una riga di --piano, o nessun codice libero)\n"
        "   7  la periferica ha rifiutato la scrittura\n"
        "   8  nessuna risposta alla scrittura: esito sconosciuto\n"
        "   9  copia di sicurezza non salvata: nulla è stato scritto\n"
        "  10  interrotto prima della fine\n"
        "  11  (program) almeno una periferica non è stata programmata (con --verifica\n"
        "      anche una la cui verifica non è riuscita o non è stata fatta)\n"
        "  12  (decode --serial) il checksum del file è errato per quel numero di serie\n"
        "  13  un'altra periferica del registro ha lo stesso protocollo, rete e codice, o\n"
        "      un altro programma lo sta scrivendo ora: nulla è stato inviato (--forza per\n"
        "      scrivere comunque)\n"
        "  14  il registro condiviso rifiuta le impostazioni di questo computer (password,\n"
        "      utente, database, TLS, opzioni): le programmazioni restano su questo\n"
        "      computer finché l'impostazione \"Registro\" non è corretta\n"
        "  15  (diff) i due file hanno configurazioni diverse\n"
        "  16  (write --verifica) la periferica riletta non contiene quanto scritto:\n"
        "      ripetere la programmazione\n"
        "  17  (write --verifica) la configurazione non è stata riletta entro l'attesa\n"
        "      della risposta: la scrittura non è confermata\n"
        "\n"
        "Ogni scrittura inviata è registrata con il suo esito; se la registrazione non\n"
        "riesce lo dice una riga \"Attenzione:\" e lo stato di uscita non cambia.\n");
    return text
        .arg(QDir::toNativeSeparators(defaultLogPath()),
             QDir::toNativeSeparators(BackupStore::defaultFolder()),
             QDir::toNativeSeparators(registry::defaultRegisterPath()))
        .arg(registry::kRecordTextMaxLength)
        .arg(QString::number(LinkTiming{}.answerWaitMs / 1000.0) + QStringLiteral(" s"));
}

} // namespace selvana::cli
