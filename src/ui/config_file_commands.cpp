#include "ui/config_file_commands.h"

#include "core/files/config_file.h"
#include "core/files/config_file_io.h"
#include "ui/editor.h"
#include "ui/user_dialogs.h"

namespace selvana {

ConfigFileCommands::ConfigFileCommands(Editor& editor, SessionData& session, UserDialogs& dialogs,
                                       std::function<void(const FieldError&)> reportFieldError,
                                       QObject* parent)
    : QObject(parent), editor_(editor), session_(session), dialogs_(dialogs),
      reportFieldError_(std::move(reportFieldError)) {}

void ConfigFileCommands::btnEsporta_Click() {
    // Nothing is written unless the whole editor could be collected.
    if (const auto error = editor_.collect()) {
        reportFieldError_(*error);
        return;
    }
    const QString path = dialogs_.saveFileName(QString::fromLatin1(conf::kFileFilter), fileName_);
    if (path.isEmpty())
        return;
    fileName_ = path;
    const QByteArray content =
        conf::fileContent(session_.FirmwareM6, session_.record.BandaUHF, session_.SaveImage);
    if (const auto error = conf::writeConfigFile(path, content))
        dialogs_.message(error->message);
}

void ConfigFileCommands::btnImporta_Click() {
    const QString path = dialogs_.openFileName(QString::fromLatin1(conf::kFileFilter), fileName_);
    if (path.isEmpty())
        return;
    fileName_ = path;
    conf::ConfigFile file;
    if (const auto error = conf::readConfigFile(path, file)) {
        dialogs_.message(error->message);
        return;
    }
    // "SAVE" follows the code shown, as after a read.
    if (const auto refusal = editor_.importConfiguration(file).refusal)
        dialogs_.message(*refusal);
}

} // namespace selvana
