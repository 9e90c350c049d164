#pragma once

#include "cli/unit_plan.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace selvana {
class PortEnumerator;
class SettingsStore;
} // namespace selvana

namespace selvana::cli {

struct Options {
    enum class Command {
        Help,
        Version,
        Decode,
        Diff,
        Read,
        Write,
        Program,
        Ports,
        Encode,
        Registro
    };
    Command command = Command::Help;
    QString file;                   // decode, write, program: the file read; read: the file made
    QString otherFile;              // diff: the file compared with `file`
    QString port;                   // as given; empty: the port stored by the window
    std::optional<double> timeoutS; // announcement wait; 0 = no limit
    int count = 0;                  // program: peripherals to program; 0 = until stopped
    QString logPath;                // write, program: the CSV log; empty = the default
    bool json = false;              // decode, diff, registro
    QString serial;                 // decode: serial number to verify the checksum with;
                                    // registro: the peripheral to look for
    QString output;                 // read: the file made (then also in `file`); encode: the
                                    // configuration file made from the JSON in `file`
    QString site;                   // registro: part of the site's name; write, program:
                                    // the site recorded with each write
    QString zone;                   // write, program: the description recorded (--zona)
    bool force = false;             // write, program: write a code another unit has (--forza)
    bool dryRun = false;            // write: read the unit, say what would change (--prova)
    bool verify = false;            // write, program: read each unit back (--verifica)
    std::optional<int> network;     // registro: the network code
    bool csv = false;               // registro
    bool allWrites = false;         // registro: every write, not one line per peripheral
    bool duplicatesOnly = false;    // registro: only units whose code another unit holds
    QString pdfPath;                // registro: the site sheet to make
    QString registerUri;            // the shared register; empty: the one of the settings
    std::optional<CodeRange> codes; // program: each peripheral the next free code of the range
    QString planPath;               // program: the piano, one row per peripheral
};

// Reads the arguments (without the program name). Returns the Italian reason when they are not
// a valid command line.
std::optional<QString> parseCommandLine(const QStringList& arguments, Options& options);

// The help text (Italian; QCommandLineParser's own is English).
QString helpText();

// The announcement wait when none is given: a minute for read and write; program waits for the
// next peripheral without limit, since the installer stops it.
double defaultTimeoutS(Options::Command command);

// A port number 1..4 as the window resolves it (settings "Device<n>", following its adapter
// when it got another name, else the default device), "auto" as the only adapter present, any
// other text as a device path. An empty text means the port stored by the window. Returns the
// device, or nothing with the reason in `error` and the exit status in `status`. The ports
// present are the system's unless `ports` is given.
std::optional<QString> resolvePort(const QString& port, const SettingsStore& settings,
                                   QString* error, const PortEnumerator* ports = nullptr,
                                   int* status = nullptr);

} // namespace selvana::cli
