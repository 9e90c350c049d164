#include "ui/config_file_commands.h"

#include "core/files/config_file.h"
#include "core/files/config_file_io.h"
#include "core/image/config_decoder.h"
#include "ui/editor.h"
#include "ui/user_dialogs.h"

namespace selvana {

ConfigFileCommands::ConfigFileCommands(Editor& editor, ProgramState& state, UserDialogs& dialogs,
                                       std::function<void(const FieldError&)> reportFieldError,
                                       QObject* parent)
    : QObject(parent), editor_(editor), state_(state), dialogs_(dialogs),
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
        conf::fileContent(state_.FirmwareM6, state_.record.BandaUHF, state_.SaveImage);
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
    if (const auto warning =
            conf::mismatchMessage(file, state_.FirmwareM6, state_.record.BandaUHF)) {
        dialogs_.message(*warning);
        return;
    }
    conf::storeInto(file, state_.ConfigImage);
    Analyze2(state_.ConfigImage, state_.BandLetter, state_.record);
    // As after a read: a code that is not valid for its protocol cannot be written.
    editor_.context().setSaveEnabled(editor_.present());
}

} // namespace selvana
