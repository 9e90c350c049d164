#include "common/recording_dialogs.h"
#include "common/test_main.h"
#include "core/run/programming_run.h"
#include "registry/programming_register.h"
#include "serial/settings_store.h"
#include "serial/system_serial_link.h"
#include "ui/editor.h"
#include "ui/main_window.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

using namespace selvana;
using namespace selvana::testing;

// The window of the Windows program on a real COM port (SELVANA_E2E_PORT), with the simulated
// peripheral on the other end pressing RESET by itself: a read, an edit, a write, as an
// installer does them. scripts/windows/test-e2e.sh maps the port and starts the peripheral.
class TestWindowOnPort : public QObject {
    Q_OBJECT

private slots:
    void readEditWrite() {
        const QString port = qEnvironmentVariable("SELVANA_E2E_PORT");
        if (port.isEmpty())
            QSKIP("SELVANA_E2E_PORT names no port: run by scripts/windows/test-e2e.sh");
        QTemporaryDir folder;
        ProgramState state;
        SystemSerialLink link;
        SettingsStore settings;
        RecordingDialogs dialogs;
        settings.SaveSetting(QStringLiteral("Port"), QStringLiteral("1"));
        settings.SaveSetting(QStringLiteral("Device1"), port);
        MainWindow window(state, link, settings, dialogs, folder.path());
        auto reg = std::make_unique<registry::ProgrammingRegister>(
            folder.filePath(QStringLiteral("registro.sqlite")), std::nullopt);
        registry::ProgrammingRegister* own = reg.get();
        window.useRegister(std::move(reg));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto prompt = [&window] {
            return window.findChild<QLabel*>(QStringLiteral("lblPrepare"))->text();
        };

        window.command(QLatin1String("LOAD"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(window.run().configurationRead(), 20000);
        auto* siren = window.editor().widget<QLineEdit>(editor::Ctl::txtTempoSirena);
        QVERIFY(siren);
        siren->setFocus();
        siren->selectAll();
        QTest::keyClicks(siren, QStringLiteral("45"));
        QTest::keyClick(siren, Qt::Key_Tab);

        window.command(QLatin1String("SAVE"))->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(prompt(), ProgrammingRun::promptWritten(), 20000);
        QVERIFY(state.SaveImage != state.ConfigImage);
        QList<registry::UnitRecord> records;
        QVERIFY(own->local() && !own->local()->records({}, records));
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().outcome, registry::Outcome::Written);
    }
};

SELVANA_TEST_MAIN(TestWindowOnPort)
#include "tst_window_on_port.moc"
