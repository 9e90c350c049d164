#include "cli_app.h"

#include "cli/command_line.h"
#include "cli/configuration_report.h"
#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/link_command.h"
#include "cli/ports_command.h"
#include "cli/register_command.h"
#include "cli/write_image.h"
#include "core/files/config_file_io.h"
#include "core/files/file_names.h"
#include "serial/port_enumerator.h"
#include "serial/settings_store.h"
#include "serial/system_serial_link.h"
#include "serial/traced_serial_link.h"

#include <QCoreApplication>
#include <QJsonDocument>

namespace selvana::cli {

namespace {

int decode(const Options& options, Console& console) {
    QByteArray bytes;
    qint64 size = 0;
    if (auto error = conf::readConfigFileBytes(options.file, bytes, &size)) {
        console.err(error->brief);
        return kFileError;
    }
    auto report = decodeConfiguration(shownName(options.file), bytes, options.serial);
    if (!report) // cannot happen after a successful read; kept for safety
        return kFileError;
    report->size = size;
    if (options.json)
        console.outRaw(QString::fromUtf8(QJsonDocument(reportJson(*report)).toJson()));
    else
        console.outRaw(reportText(*report));
    // Scripts check a file against a serial number by the status alone.
    return report->checksum.matches == false ? kWrongChecksum : kOk;
}

// Like diff: the status tells equal from different, the lines say what differs.
int diff(const Options& options, Console& console) {
    std::optional<ConfigurationReport> reports[2];
    const QString paths[2] = {options.file, options.otherFile};
    for (int i = 0; i < 2; ++i) {
        QByteArray bytes;
        if (auto error = conf::readConfigFileBytes(paths[i], bytes)) {
            console.err(error->brief);
            return kFileError;
        }
        reports[i] = decodeConfiguration(shownName(paths[i]), bytes, QString());
        if (!reports[i]) // cannot happen after a successful read
            return kFileError;
    }
    QString warning;
    const NetworkList networks =
        windowNetworkList(QCoreApplication::applicationDirPath(), &warning);
    if (!warning.isEmpty())
        console.err(warning);
    const QList<ConfigChange> changes = fileChanges(*reports[0], *reports[1], &networks);
    if (options.json)
        console.outRaw(QString::fromUtf8(QJsonDocument(changesJson(changes)).toJson()));
    else if (changes.isEmpty())
        console.out(QStringLiteral("I file %1 e %2 hanno la stessa configurazione.")
                        .arg(quotedName(paths[0]), quotedName(paths[1])));
    else
        for (const QString& line : changeLines(changes))
            console.out(line);
    return changes.isEmpty() ? kOk : kDifferent;
}

} // namespace

int runCommandLine(const QStringList& arguments, Console& console) {
    const SystemPortEnumerator ports;
    return runCommandLine(arguments, console, ports);
}

int runCommandLine(const QStringList& arguments, Console& console, const PortEnumerator& ports,
                   const LinkTiming& timing) {
    Options options;
    if (auto error = parseCommandLine(arguments, options)) {
        console.err(QStringLiteral("Errore: %1.").arg(*error));
        console.err(QStringLiteral("Per l'aiuto: selvanam-cli --help"));
        return kUsage;
    }
    switch (options.command) {
    case Options::Command::Help:
        console.outRaw(helpText());
        return kOk;
    case Options::Command::Version:
        console.out(QStringLiteral("selvanam-cli " SELVANA_VERSION_TEXT));
        return kOk;
    case Options::Command::Decode:
        return decode(options, console);
    case Options::Command::Diff:
        return diff(options, console);
    case Options::Command::Ports:
        return listPorts(console, ports, SettingsStore());
    case Options::Command::Encode:
        return runEncodeCommand(options, console);
    case Options::Command::Registro:
        return runRegisterCommand(options, console);
    default: {
        SystemSerialLink port;
        const auto trace = serialTrace(port, qEnvironmentVariable(kTraceVariable));
        SerialLink& link = trace ? static_cast<SerialLink&>(*trace) : port;
        LinkCommand command(options, console, link, timing);
        command.setPortEnumerator(ports);
        return command.run();
    }
    }
}

} // namespace selvana::cli
