#include "cli_app.h"

#include "cli/command_line.h"
#include "cli/configuration_report.h"
#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/link_command.h"
#include "cli/ports_command.h"
#include "cli/register_command.h"
#include "core/files/config_file_io.h"
#include "core/files/file_names.h"
#include "serial/port_enumerator.h"
#include "serial/settings_store.h"
#include "serial/system_serial_link.h"
#include "serial/traced_serial_link.h"

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
