#include "ui/start_up.h"

#include "core/networks/networks_folder.h"
#include "core/session/program_state.h"
#include "serial/qt_serial_link.h"
#include "serial/settings_store.h"
#include "serial/traced_serial_link.h"
#include "ui/first_window_probe.h"
#include "ui/main_window.h"
#include "ui/splash_window.h"
#include "ui/user_dialogs.h"

#include <QApplication>

namespace selvana {

QString bandLetterFromArguments(const QStringList& arguments) {
    const QString text = arguments.mid(1).join(QLatin1Char(' ')).toUpper();
    return (text == QLatin1String("V") || text == QLatin1String("U")) ? text : QString();
}

void exitAtFirstWindowIfBenchmarking(QApplication& app) {
    if (qEnvironmentVariableIsSet("SELVANA_BENCH_FIRST_WINDOW"))
        app.installEventFilter(new FirstWindowProbe({}, &app));
}

int StartUp(QApplication& app) {
    ProgramState state;
    state.BandLetter = bandLetterFromArguments(app.arguments());

    {
        SplashWindow splash;
        splash.exec();
    }

    QtSerialLink port;
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
