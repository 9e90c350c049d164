#include "cli_app.h"

#include "cli/command_line.h"
#include "cli/configuration_report.h"
#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/link_command.h"
#include "cli/register_command.h"
#include "serial/qt_serial_link.h"
#include "serial/traced_serial_link.h"

#include <QFileInfo>
#include <QJsonDocument>

namespace selvana::cli {

namespace {

int decode(const Options& options, Console& console) {
    QByteArray bytes;
    if (auto error = readConfigurationBytes(options.file, bytes)) {
        console.err(*error);
        return kFileError;
    }
    auto report = decodeConfiguration(options.file, bytes, options.serial);
    if (!report) // cannot happen after a successful read; kept for safety
        return kFileError;
    report->size = QFileInfo(options.file).size();
    if (options.json)
        console.outRaw(QString::fromUtf8(QJsonDocument(reportJson(*report)).toJson()));
    else
        console.outRaw(reportText(*report));
    return kOk;
}

} // namespace

int runCommandLine(const QStringList& arguments, Console& console) {
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
        console.out(QStringLiteral("selvanam-cli %1.%2.%3")
                        .arg(SELVANA_VERSION_MAJOR)
                        .arg(SELVANA_VERSION_MINOR)
                        .arg(SELVANA_VERSION_PATCH));
        return kOk;
    case Options::Command::Decode:
        return decode(options, console);
    case Options::Command::Encode:
        return runEncodeCommand(options, console);
    case Options::Command::Registro:
        return runRegisterCommand(options, console);
    default: {
        QtSerialLink port;
        const auto trace = serialTrace(port, qEnvironmentVariable(kTraceVariable));
        SerialLink& link = trace ? static_cast<SerialLink&>(*trace) : port;
        LinkCommand command(options, console, link);
        return command.run();
    }
    }
}

} // namespace selvana::cli
