// selvanam-shots: screenshots of the real windows against the simulator, for the README.
//   selvanam-shots OUTPUT_FOLDER SIMULATOR_PROGRAM [NAME]
// With a NAME, only the window showing a configuration is taken, as NAME.png (small screens).
// Needs a real display (scripts/screenshots.sh runs it under Xvfb).

#include "core/files/config_file.h"
#include "core/networks/network_list.h"
#include "core/networks/networks_file.h"
#include "driven_window.h"
#include "registry/installer.h"
#include "registry/unit_register.h"
#include "serial/port_enumerator.h"
#include "ui/editor.h"
#include "ui/splash_window.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <functional>

using namespace selvana;
using namespace selvana::drive;

namespace {

QString outputFolder;
int failures = 0;

void fail(const QString& what) {
    std::fprintf(stderr, "selvanam-shots: %s\n", qPrintable(what));
    ++failures;
}

// What the X server shows in the area of the given windows (a dialog over its parent included).
void shoot(const QString& name, std::initializer_list<QWidget*> windows) {
    const auto areaNow = [&windows] {
        QRect area;
        for (QWidget* w : windows) {
            // A frameless window's frame is sometimes reported as 1x1: then its own geometry.
            const QRect frame = w->frameGeometry();
            area |= frame.contains(w->geometry()) ? frame : w->geometry();
        }
        return area;
    };
    // The window manager places and frames a new window a moment after it is shown: wait until
    // the area holds still, and every repaint has reached the server.
    QRect area;
    waitFor(
        [&] {
            const QRect before = areaNow();
            waitFor([] { return false; }, 300);
            area = areaNow();
            return area == before && area.width() > 100 && area.height() > 100;
        },
        5000);
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(),
                                                                      area.width(), area.height());
    const QString path = QDir(outputFolder).filePath(name + QStringLiteral(".png"));
    if (shot.isNull() || !shot.save(path))
        fail(QStringLiteral("cannot save %1").arg(path));
    else
        std::printf("%s (%dx%d)\n", qPrintable(path), shot.width(), shot.height());
}

// A list an installer might keep: some named networks, the rest unassigned.
QByteArray sampleNetworks() {
    NetworkList list = defaultNetworkList();
    const char* named[] = {"00012Centrale Nord", "00345Vigilanza Est", "01234Ponte Monte Rosa",
                           "02020Istituto Sud", "40960Laboratorio prove"};
    int entry = 1;
    for (const char* line : named)
        list[entry++] = QByteArray(line);
    return networksFileContent(list);
}

// A site as an installer leaves it: most units written, one refused, one without an answer, two
// given the same code, a long zone; and another site. Put in the private home's register before
// the window opens it.
bool fillRegister() {
    using registry::Outcome;
    registry::RegisterError error;
    auto reg = registry::UnitRegister::openFile(registry::defaultRegisterPath(), &error);
    if (!reg) {
        fail(error.message);
        return false;
    }
    const char* zones[] = {"Ingresso principale", "Magazzino",        "Uffici piano terra",
                           "Uffici primo piano",  "Cancello carraio", "Autorimessa"};
    const QDateTime start(QDate(2026, 12, 8), QTime(8, 30), Qt::UTC);
    QList<registry::UnitRecord> units;
    for (int i = 0; i < 24; ++i) {
        registry::UnitRecord u;
        u.serialNumber = QStringLiteral("A1B2C3%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        u.time = start.addSecs(i < 14 ? 420LL * i : 86400 + 420LL * i);
        u.installer = i < 14 ? QStringLiteral("Mario Rossi") : QStringLiteral("Anna Bianchi");
        u.site = QStringLiteral("Le Querce");
        u.description = QString::fromUtf8(zones[i % 6]);
        u.protocol = 1;
        u.network = 12;
        u.peripheralCode = 101 + i;
        u.frequencyMHz = 156.0125;
        units << u;
    }
    units[4].description = QStringLiteral("Ingresso pedonale su via dei Tigli, lato cortile "
                                          "interno, vicino al locale contatori");
    units[8].outcome = Outcome::Refused;
    units[15].outcome = Outcome::NoAnswer;
    units[19].peripheralCode = units[6].peripheralCode; // programmed with --forza
    // Read back after each write; one unit written twice, its second write read back otherwise.
    for (registry::UnitRecord& u : units)
        u.verification = u.outcome == Outcome::Written    ? Verification::Verified
                         : u.outcome == Outcome::NoAnswer ? Verification::NotVerified
                                                          : Verification::NotAsked;
    registry::UnitRecord first = units[2];
    first.time = start.addSecs(-3600);
    first.changes =
        QStringList{"Codice Periferica: 1 → 103", "Codice Rete: 00001 → 00012 Centrale Nord",
                    "Tempo Sirena (s): 180 → 60"};
    units[2].changes = QStringList{"Tempo Sirena (s): 60 → 45", "Tempo Uscita (s): 30 → 25",
                                   "Tono Subaudio: 67.0 → 88.5"};
    units[2].verification = Verification::Differs;
    units[2].verificationDifferences = QStringList{"Tempo Uscita (s): 25 → 30"};
    units << first;
    for (int i = 0; i < 3; ++i) {
        registry::UnitRecord u = units[i];
        u.serialNumber = QStringLiteral("B7E4D0%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        u.site = QStringLiteral("Villa Rosa");
        u.peripheralCode = 201 + i;
        u.time = start.addDays(-5).addSecs(600LL * i);
        units << u;
    }
    for (registry::UnitRecord& u : units) {
        if (const auto failed = reg->record(u)) {
            fail(failed->message);
            return false;
        }
    }
    return true;
}

// "Registro..." searched for the first site, photographed and closed.
void shootRegisterWindow(MainWindow& window) {
    QTimer::singleShot(0, [&window] {
        QWidget* dialog = nullptr;
        if (!waitFor(
                [&dialog] {
                    dialog = QApplication::activeModalWidget();
                    return dialog && dialog->windowHandle() && dialog->windowHandle()->isExposed();
                },
                5000)) {
            fail(QStringLiteral("the register window was not shown"));
            return;
        }
        dialog->findChild<QLineEdit*>(QStringLiteral("txtCercaSito"))
            ->setText(QStringLiteral("Le Querce"));
        dialog->findChild<QPushButton*>(QStringLiteral("btnCerca"))->click();
        // The unit written twice: its writes below the list.
        auto* grid = dialog->findChild<QTableWidget*>(QStringLiteral("grdRegistro"));
        for (int row = 0; row < grid->rowCount(); ++row) {
            if (grid->item(row, 0)->text() == QLatin1String("A1B2C303"))
                grid->selectRow(row);
        }
        shoot(QStringLiteral("register"), {dialog});
        dialog->close();
    });
    window.findChild<QPushButton*>(QStringLiteral("btnRegistro"))->click();
}

// The list of changes under "Esporta" and "Importa": after three edits of a read, then after
// another read and the import of a file that differs from it in four fields.
void shootChanges(DrivenWindow& driven) {
    MainWindow& window = driven.window();
    Editor& editor = window.editor();
    editor.widget<QLineEdit>(editor::Ctl::txtTempoSirena)->setText(QStringLiteral("45"));
    editor.widget<QComboBox>(editor::Ctl::cmbTonoSubAudio)->setCurrentText(QStringLiteral("88.5"));
    editor.widget<QComboBox>(editor::Ctl::cmbCodiceRete)
        ->setCurrentText(QStringLiteral("00345 Vigilanza Est"));
    shoot(QStringLiteral("changes-edits"), {&window});

    editor.widget<QLineEdit>(editor::Ctl::txtTempoUscita)->setText(QStringLiteral("25"));
    if (const auto error = editor.collect()) {
        fail(error->message);
        return;
    }
    const SessionData& session = editor.model().session();
    const auto file = conf::parse(
        conf::fileContent(session.FirmwareM6, session.record.BandaUHF, session.SaveImage));
    if (!driven.load())
        fail(QStringLiteral("no configuration shown; prompt: ") + driven.prompt());
    if (const auto refusal = editor.importConfiguration(*file).refusal)
        fail(*refusal);
    shoot(QStringLiteral("changes-import"), {&window});
}

// The port window is modal: made ready, photographed and closed from inside its own event loop.
void shootPortWindow(DrivenWindow& driven, const QString& name,
                     const std::function<void(QWidget&)>& prepare) {
    MainWindow& window = driven.window();
    QTimer::singleShot(0, [&window, name, prepare] {
        QWidget* dialog = nullptr;
        if (!waitFor(
                [&dialog] {
                    dialog = QApplication::activeModalWidget();
                    return dialog && dialog->windowHandle() && dialog->windowHandle()->isExposed();
                },
                5000)) {
            fail(QStringLiteral("the port window was not shown"));
            return;
        }
        prepare(*dialog);
        shoot(name, {&window, dialog});
        dialog->close();
    });
    driven.click("CONFIG");
}

} // namespace

int main(int argc, char** argv) {
    const PrivateHome home;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("SelvanaM"));
    QApplication::setApplicationDisplayName(QStringLiteral("Programmatore periferiche Selvana M"));
    const QStringList args = QApplication::arguments();
    if (args.size() != 3 && args.size() != 4) {
        std::fprintf(stderr, "uso: selvanam-shots CARTELLA_IMMAGINI SIMULATORE [NOME]\n");
        return 2;
    }
    outputFolder = args[1];
    QDir().mkpath(outputFolder);
    const QString configurationOnly = args.value(3);

    if (configurationOnly.isEmpty()) {
        SplashWindow splash;
        bool textShown = false; // the texts come in the frames after the first
        QObject::connect(&splash, &SplashWindow::textShown, [&textShown] { textShown = true; });
        splash.show();
        if (!waitFor([&] { return textShown; }, 5000))
            fail(QStringLiteral("the splash was not shown"));
        shoot(QStringLiteral("splash"), {&splash});
    }

    if (configurationOnly.isEmpty() && !fillRegister())
        return 1;
    DrivenWindow driven(home);
    if (!driven.start(args[2], {QStringLiteral("--announce"), QStringLiteral("K")},
                      sampleNetworks())) {
        fail(driven.error());
        return 1;
    }
    MainWindow& window = driven.window();
    if (!configurationOnly.isEmpty()) {
        if (!driven.load())
            fail(QStringLiteral("no configuration shown; prompt: ") + driven.prompt());
        shoot(configurationOnly, {&window});
        return failures == 0 ? 0 : 1;
    }
    shoot(QStringLiteral("idle"), {&window});

    if (!driven.load())
        fail(QStringLiteral("no configuration shown; prompt: ") + driven.prompt());
    shoot(QStringLiteral("configuration"), {&window});
    shootChanges(driven);

    // The networks list is edited from the start screen.
    driven.click("END");
    driven.click("RETI");
    shoot(QStringLiteral("networks"), {&window});
    driven.click("END");

    // The port window with no adapter present, then with two.
    ListedPorts ports;
    window.setPortEnumerator(ports);
    shootPortWindow(driven, QStringLiteral("port-window"), [](QWidget&) {});
    DetectedPort ftdi;
    ftdi.device = QStringLiteral("/dev/ttyUSB0");
    ftdi.description = QStringLiteral("FT232R USB UART");
    ftdi.manufacturer = QStringLiteral("FTDI");
    ftdi.vendorId = 0x0403;
    ftdi.productId = 0x6001;
    ftdi.serialNumber = QStringLiteral("A10K3BZQ");
    DetectedPort acm;
    acm.device = QStringLiteral("/dev/ttyACM0");
    acm.description = QStringLiteral("USB Serial");
    acm.manufacturer = QStringLiteral("Microchip Technology Inc.");
    acm.vendorId = 0x04d8;
    acm.productId = 0x000a;
    ports.set({acm, ftdi});
    shootPortWindow(driven, QStringLiteral("port-window-adapters"), [](QWidget& dialog) {
        // The installer has picked the FTDI adapter, ready to assign it.
        dialog.findChild<QListWidget*>(QStringLiteral("lstAdattatori"))->setCurrentRow(1);
    });
    shootRegisterWindow(window);
    return failures == 0 ? 0 : 1;
}
