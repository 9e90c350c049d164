#include "start_up.h"

#include "app/main_window.h"
#include "app/program_state.h"
#include "app/splash_window.h"
#include "platform/qt_serial_link.h"
#include "platform/settings_store.h"
#include "platform/user_dialogs.h"

#include <QApplication>

namespace selvana {

QString bandLetterFromArguments(const QStringList& arguments) {
    const QString text = arguments.mid(1).join(QLatin1Char(' ')).toUpper();
    return (text == QLatin1String("V") || text == QLatin1String("U")) ? text : QString();
}

int StartUp(QApplication& app) {
    ProgramState state;
    state.BandLetter = bandLetterFromArguments(app.arguments());

    {
        SplashWindow splash;
        splash.exec();
    }

    QtSerialLink link;
    SettingsStore settings;
    QtUserDialogs dialogs;
    MainWindow window(state, link, settings, dialogs, QCoreApplication::applicationDirPath());
    dialogs.setParent(&window);
    window.show();
    return app.exec();
}

} // namespace selvana
