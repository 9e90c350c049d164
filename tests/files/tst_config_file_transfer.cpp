#include "common/recording_dialogs.h"
#include "common/sample_images.h"
#include "common/test_main.h"
#include "common/test_timing.h"
#include "serial/settings_store.h"
#include "serial/system_serial_link.h"
#include "simulator/image_source.h"
#include "simulator/peripheral_simulator.h"
#include "simulator/pty_pair.h"
#include "ui/config_file_commands.h"
#include "ui/editor.h"
#include "ui/main_window.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <memory>

using namespace selvana;
using namespace selvana::sim;

namespace {

// One simulated peripheral on its own cable.
struct Peripheral {
    PtyPair pty;
    std::unique_ptr<PeripheralSimulator> sim;

    bool start(const Image& image) {
        if (!pty.open())
            return false;
        SimulatorOptions options;
        options.announce = 'K';
        options.image = image;
        sim = std::make_unique<PeripheralSimulator>(pty, options);
        return true;
    }
};

Image secondPeripheral() {
    Image image = testing::sampleProteusX();
    setSerialNumber(image, 0x0BADCAFE);
    image[24] = 0x00, image[25] = 77;   // network
    image[26] = 0x10, image[27] = 0xE1; // code 4321
    image[45] = 90;                     // siren
    fixChecksum(image);
    return image;
}

} // namespace

// An installer programs a second peripheral like the first through a configuration file.
class TestConfigFileTransfer : public QObject {
    Q_OBJECT

    ProgramState state;
    SettingsStore settings;
    testing::RecordingDialogs dialogs;
    SystemSerialLink link;
    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;

    void trigger(const char* key) {
        QAction* action = window->command(QLatin1String(key));
        QVERIFY2(action->isEnabled(), key);
        action->trigger();
    }

    void readFrom(Peripheral& p) {
        settings.SaveSetting(QStringLiteral("Device1"), p.pty.slavePath());
        trigger("LOAD");
        QTRY_VERIFY(p.sim->portOpen());
        p.sim->pressReset();
        QTRY_COMPARE(state.record.SerialNumber, p.sim->serialNumber());
        QTRY_VERIFY(window->command(QStringLiteral("SAVE"))->isEnabled());
        QCOMPARE(state.FirmwareM6, 1);
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
        settings.SaveSetting(QStringLiteral("Port"), QStringLiteral("1"));
        window = std::make_unique<MainWindow>(state, link, settings, dialogs, folder.path());
        window->run().setTiming(testing::testTiming());
        window->show();
    }

    void secondPeripheralGetsTheFirstOnesConfiguration() {
        Peripheral first;
        Peripheral second;
        QVERIFY2(first.start(testing::sampleProteusX()), qPrintable(first.pty.errorString()));
        QVERIFY2(second.start(secondPeripheral()), qPrintable(second.pty.errorString()));
        const QString file = folder.filePath(QStringLiteral("impianto.con"));
        const Editor& editor = window->editor();
        using editor::Ctl;

        readFrom(first);
        editor.widget<QLineEdit>(Ctl::txtTempoSirena)->setText(QStringLiteral("33"));
        dialogs.savePath = file;
        editor.widget<QPushButton>(Ctl::btnEsporta)->click();
        QCOMPARE(dialogs.messages, QStringList());
        const Image exported = state.SaveImage;
        QCOMPARE(exported[45], 33);

        trigger("END");
        readFrom(second);
        QCOMPARE(editor.widget<QLineEdit>(Ctl::txtTempoSirena)->text(), QStringLiteral("90"));
        dialogs.openPath = file;
        editor.widget<QPushButton>(Ctl::btnImporta)->click();
        QCOMPARE(dialogs.messages, QStringList());
        QCOMPARE(editor.widget<QLineEdit>(Ctl::txtTempoSirena)->text(), QStringLiteral("33"));
        QCOMPARE(editor.widget<QLabel>(Ctl::lblSerialNumber)->text(), QStringLiteral("0BADCAFE"));

        trigger("SAVE");
        QTRY_COMPARE(window->findChild<QLabel*>(QStringLiteral("lblPrepare"))->text(),
                     QStringLiteral("Programmazione Periferico effettuata con successo"));
        const Image written = second.sim->image();
        QCOMPARE(serialNumber(written), 0x0BADCAFEu);
        for (int k = 5; k <= 63; ++k)
            QVERIFY2(written[k] == exported[k], qPrintable(QStringLiteral("byte %1").arg(k)));
        QCOMPARE(written[64], CalcolaCKSSave(written));
        // The first peripheral was never written.
        QVERIFY(first.sim->image() == testing::sampleProteusX());
        trigger("END");
    }

    void cleanupTestCase() { window.reset(); }
};

SELVANA_TEST_MAIN(TestConfigFileTransfer)
#include "tst_config_file_transfer.moc"
