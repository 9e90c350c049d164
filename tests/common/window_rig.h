#pragma once

#include "common/recording_dialogs.h"
#include "common/test_timing.h"
#include "core/link/frame_codec.h"
#include "core/networks/networks_file.h"
#include "registry/programming_register.h"
#include "serial/settings_store.h"
#include "serial/system_serial_link.h"
#include "simulator/peripheral_simulator.h"
#include "simulator/pty_pair.h"
#include "ui/editor.h"
#include "ui/main_window.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace selvana::testing {

using editor::Ctl;

// The real window on the real serial layer, with a simulated peripheral on the other end of a
// pseudo-terminal; port 1 of the settings store points at it. Both run on the tests' timing.
struct WindowRig {
    sim::PtyPair pty;
    std::unique_ptr<sim::PeripheralSimulator> peripheral;
    QTemporaryDir programFolder;
    ProgramState state;
    SystemSerialLink link;
    SettingsStore settings;
    RecordingDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    registry::ProgrammingRegister* reg = nullptr; // the rig's own, when it has one
    QByteArray received;                          // everything the peripheral received, in order
    bool ended = false;

    // networksFile: the content of Reti.cfg found at start, if any. ownRegister: the window
    // records in a register of this rig, not in the user's (which the command line uses).
    // settingsAtStart: settings the window finds, besides its port.
    explicit WindowRig(const sim::SimulatorOptions& options = {}, const QString& band = {},
                       const QByteArray& networksFile = {}, bool ownRegister = true,
                       const QHash<QString, QString>& settingsAtStart = {}) {
        QSettings(QSettings::IniFormat, QSettings::UserScope, "SelvanaM", "SelvanaM").clear();
        if (!networksFile.isEmpty()) {
            QFile file(networksFilePath(programFolder.path()));
            if (!file.open(QIODevice::WriteOnly) || file.write(networksFile) != networksFile.size())
                qFatal("cannot write the networks file");
        }
        if (!pty.open())
            qFatal("no pseudo-terminal: %s", qPrintable(pty.errorString()));
        sim::SimulatorOptions paced = options;
        paced.splitDelayMs = testSplitDelayMs();
        peripheral = std::make_unique<sim::PeripheralSimulator>(pty, paced);
        QObject::connect(peripheral.get(), &sim::PeripheralSimulator::received,
                         [this](const QByteArray& bytes) { received += bytes; });
        settings.SaveSetting(QStringLiteral("Port"), QStringLiteral("1"));
        settings.SaveSetting(QStringLiteral("Device1"), pty.slavePath());
        for (auto it = settingsAtStart.cbegin(); it != settingsAtStart.cend(); ++it)
            settings.SaveSetting(it.key(), it.value());
        state.BandLetter = band;
        window = std::make_unique<MainWindow>(state, link, settings, dialogs, programFolder.path());
        window->run().setTiming(testTiming());
        if (ownRegister) {
            auto own = std::make_unique<registry::ProgrammingRegister>(
                programFolder.filePath(QStringLiteral("registro.sqlite")), std::nullopt);
            reg = own.get();
            window->useRegister(std::move(own));
        }
        window->setEndProgram([this] { ended = true; });
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("the window did not become active");
    }
    ~WindowRig() {
        window.reset(); // closes the port before the peripheral goes
        peripheral.reset();
    }

    QAction* command(const char* key) const { return window->command(QLatin1String(key)); }
    void click(const char* key) { command(key)->trigger(); }
    void click(Command command) { window->command(command)->trigger(); }
    // An editor control's widget: w<QLineEdit>(Ctl::txtTempoSirena).
    template <typename Widget = QWidget> Widget* w(editor::Ctl id) const {
        return window->editor().widget<Widget>(id);
    }
    QString prompt() const { return window->findChild<QLabel*>("lblPrepare")->text(); }
    bool panelVisible(const char* name) const {
        return !window->findChild<QWidget*>(name)->isHidden();
    }

    // LOAD/SAVE/RETI/END/CONFIG as 0 and 1.
    QString commands() const {
        QString s;
        for (const char* key : {"LOAD", "SAVE", "RETI", "END", "CONFIG"})
            s += command(key)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }

    // "LOAD", RESET on the peripheral, and wait until its configuration frame is shown.
    bool read(int timeoutMs = 5000) {
        int frames = 0;
        const auto counter = QObject::connect(&window->run(), &ProgrammingRun::framePresented,
                                              [&frames] { ++frames; });
        click("LOAD");
        bool shown = false;
        if (link.isOpen()) {
            peripheral->pressReset();
            shown = QTest::qWaitFor([&] { return frames > 0 && !panelVisible("frmPrepare"); },
                                    timeoutMs);
        }
        QObject::disconnect(counter);
        return shown;
    }

    // "SAVE" and wait for the answer's caption.
    bool write(int timeoutMs = 5000) {
        click("SAVE");
        return QTest::qWaitFor(
            [this] {
                return prompt() == ProgrammingRun::promptWritten() ||
                       prompt() == ProgrammingRun::promptRefused();
            },
            timeoutMs);
    }
};

} // namespace selvana::testing
