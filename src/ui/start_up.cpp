#include "ui/start_up.h"

#include "core/files/backup_store.h"
#include "core/networks/networks_file.h"
#include "core/networks/networks_folder.h"
#include "core/session/program_state.h"
#include "serial/settings_store.h"
#include "serial/system_serial_link.h"
#include "serial/traced_serial_link.h"
#include "ui/first_window_probe.h"
#include "ui/font_preparation.h"
#include "ui/main_window.h"
#include "ui/splash_window.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

namespace selvana {

QString bandLetterFromArguments(const QStringList& arguments) {
    const QString text = arguments.mid(1).join(QLatin1Char(' ')).toUpper();
    return (text == QLatin1String("V") || text == QLatin1String("U")) ? text : QString();
}

std::optional<QString> commandLineAnswer(const QStringList& arguments) {
    for (const QString& arg : arguments.mid(1)) {
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help"))
            return windowHelpText();
        if (arg == QLatin1String("--version"))
            return QStringLiteral("selvanam " SELVANA_VERSION_TEXT "\n");
    }
    return std::nullopt;
}

QString windowHelpText() {
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QStringLiteral(
               "Uso: selvanam [V|U]\n"
               "\n"
               "Programmatore delle periferiche radio Selvana M: legge la configurazione di una\n"
               "periferica collegata a una porta seriale, la mostra in una finestra, la lascia\n"
               "modificare secondo le regole del suo protocollo radio e la riscrive.\n"
               "\n"
               "Argomenti:\n"
               "  V, U           banda VHF (V) o UHF (U) per tutta la sessione, anche in\n"
               "                 minuscolo. Senza argomenti vale la banda della periferica.\n"
               "  -h, --help     mostra questo aiuto.\n"
               "      --version  mostra la versione.\n"
               "\n"
               "File:\n"
               "  %1\n"
               "                 la porta scelta in \"Impostazioni\".\n"
               "  %2\n"
               "                 l'elenco delle reti, per il programma installato; una copia\n"
               "                 del programma in una cartella dell'utente lo tiene accanto a\n"
               "                 sé.\n"
               "  %3\n"
               "                 la configurazione di ogni periferica prima di una scrittura.\n"
               "\n"
               "Ambiente:\n"
               "  %4  file a cui aggiungere ogni byte scambiato sulla porta seriale.\n"
               "\n"
               "Per programmare senza finestra: selvanam-cli --help.\n")
        .arg(QDir::toNativeSeparators(SettingsStore::filePath()),
             QDir::toNativeSeparators(networksFilePath(perUser)),
             QDir::toNativeSeparators(BackupStore::defaultFolder()), QLatin1String(kTraceVariable));
}

int StartUp(QApplication& app, FontPreparation* fonts) {
    ProgramState state;
    state.BandLetter = bandLetterFromArguments(app.arguments());
    const auto waitForFonts = [fonts] {
        if (fonts)
            fonts->wait();
    };
    FirstWindowProbe* probe = nullptr;
    if (qEnvironmentVariableIsSet("SELVANA_BENCH_FIRST_WINDOW")) {
        // Whether the fonts were prepared on a thread of their own, after the six numbers.
        const QByteArray fontThread = fonts && fonts->started() ? " 1" : " 0";
        probe = new FirstWindowProbe([fontThread] { return fontThread; },
                                     FirstWindowProbe::Wait::ForLaterMoment, &app);
        app.installEventFilter(probe);
    }

    {
        SplashWindow splash;
        splash.setBeforeText(waitForFonts);
        if (probe)
            QObject::connect(&splash, &SplashWindow::textShown, probe, [probe] { probe->later(); });
        splash.exec();
    }
    waitForFonts(); // the splash may have gone before its texts came

    SystemSerialLink port;
    const auto trace = serialTrace(port, qEnvironmentVariable(kTraceVariable));
    SerialLink& link = trace ? static_cast<SerialLink&>(*trace) : port;
    SettingsStore settings;
    QtUserDialogs dialogs;
    MainWindow window(state, link, settings, dialogs,
                      networksFolder(QCoreApplication::applicationDirPath()));
    dialogs.setParent(&window);
    window.show();
    return app.exec();
}

} // namespace selvana
