#include "common/detected_ports.h"
#include "common/test_main.h"
#include "serial/port_devices.h"
#include "serial/port_slots.h"
#include "serial/settings_store.h"
#include "serial/system_serial_link.h"
#include "ui/colours.h"
#include "ui/port_window.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#endif

using namespace selvana;
using namespace selvana::testing;

namespace {

// A pseudo-terminal whose slave side stands in for a serial adapter.
#ifdef Q_OS_UNIX
struct Pty {
    int master = -1;
    QString slave;
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ::grantpt(master);
        ::unlockpt(master);
        slave = QString::fromLocal8Bit(::ptsname(master));
    }
    ~Pty() { ::close(master); }
};
#define SELVANA_NEEDS_PTY()
#else
struct Pty {
    QString slave;
};
// The simulated peripheral's pseudo-terminal is Linux's; the Windows programs meet a real
// port end to end, through Wine's COM ports.
#define SELVANA_NEEDS_PTY() QSKIP("no pseudo-terminal to stand for an adapter on Windows")
#endif

struct Rig {
    ProgramState state;
    SettingsStore settings;
    QStringList tested;
    QSet<int> available{2};

    std::unique_ptr<PortWindow> open() {
        return std::make_unique<PortWindow>(
            state, settings, [](int port) { return QStringLiteral("/dev/test%1").arg(port); },
            [this](const QString& device) -> std::optional<PortError> {
                tested << device;
                if (available.contains(device.right(1).toInt()))
                    return std::nullopt;
                return PortError{PortError::Kind::Absent, device, QStringLiteral("assente")};
            });
    }
};

QLabel* label(QWidget& w, const char* name) {
    return w.findChild<QLabel*>(name);
}

// The window as the program builds it: each port's device from the settings, ports present
// scripted, and the list asked again every few milliseconds.
struct CountedPorts : ListedPorts {
    mutable int asked = 0;
    QList<DetectedPort> ports() const override {
        ++asked;
        return ListedPorts::ports();
    }
};

struct DeviceRig {
    ProgramState state;
    SettingsStore settings;
    CountedPorts ports;
    QStringList tested;
    PortWindow::PortTester tester = &testOpen;

    std::unique_ptr<PortWindow> open() {
        auto w = std::make_unique<PortWindow>(
            state, settings, [this](int port) { return deviceForPort(port, settings); },
            [this](const QString& device) {
                tested << device;
                return tester(device);
            },
            ports);
        w->findChild<QTimer*>("tmrPorte")->setInterval(5);
        return w;
    }
    // A device opens when the scripted system lists it.
    void testAgainstList() {
        tester = [this](const QString& device) -> std::optional<PortError> {
            for (const DetectedPort& port : ports.ports()) {
                if (port.device == device)
                    return std::nullopt;
            }
            return classifyOpenFailure(device, {});
        };
    }
    QString setting(const char* key) const {
        return settings.GetSetting(QLatin1String(key), QStringLiteral("(none)"));
    }
};

QStringList listed(QWidget& w) {
    QStringList items;
    auto* list = w.findChild<QListWidget*>("lstAdattatori");
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

} // namespace

class TestPortWindow : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QSettings(QSettings::IniFormat, QSettings::UserScope, "SelvanaM", "SelvanaM").clear();
    }

    void storedPortNumber_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("port");
        QTest::newRow("3 with blanks") << QVariant(" 3 ") << 3;
        QTest::newRow("missing") << QVariant() << 0;
        QTest::newRow("not a number") << QVariant("COM1") << 0;
        QTest::newRow("out of range") << QVariant("9") << 0;
        QTest::newRow("huge") << QVariant("99999999999999999999") << 0;
        QTest::newRow("negative") << QVariant("-2") << 0;
    }
    void storedPortNumber() {
        QFETCH(QVariant, stored);
        if (stored.isValid())
            QSettings(QSettings::IniFormat, QSettings::UserScope, "SelvanaM", "SelvanaM")
                .setValue("CONFIG/Port", stored);
        QTEST(int(SettingsStore().storedPortNumber()), "port");
    }

    void opensOnCurrentPortAndTestsIt() {
        Rig r;
        r.state.PortNumber = 2;
        auto w = r.open();
        auto* combo = w->findChild<QComboBox*>("cmbPorte");
        QCOMPARE(w->windowTitle(), QStringLiteral("Impostazione Porta"));
        QCOMPARE(label(*w, "Label1")->text(), QStringLiteral("Porta COM da utilizzare:"));
        QCOMPARE(w->findChild<QPushButton*>("cmdOK")->text(), QStringLiteral("Conferma selezione"));
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, (QStringList{"Com 01:", "Com 02:", "Com 03:", "Com 04:"}));
        QCOMPARE(combo->itemData(2, Qt::ToolTipRole).toString(), QStringLiteral("/dev/test3"));
        QCOMPARE(combo->currentIndex(), 1);
        QCOMPARE(label(*w, "lblTest")->text(), QStringLiteral("Porta Disponibile!"));
        QCOMPARE(foreColor(label(*w, "lblTest")), 65280u);
        QVERIFY(r.tested.contains(QStringLiteral("/dev/test2")));
        QCOMPARE(r.state.PortNumber, 2);
    }

    void noPortSelectsNothing() {
        Rig r;
        auto w = r.open();
        QCOMPARE(w->findChild<QComboBox*>("cmbPorte")->currentIndex(), -1);
        QCOMPARE(label(*w, "lblTest")->text(), QStringLiteral("Porta Non Disponibile!"));
        QCOMPARE(foreColor(label(*w, "lblTest")), 255u);
        QCOMPARE(r.state.PortNumber, 0);
    }

    void failedChoiceDropsPortButKeepsStoredSetting() {
        Rig r;
        r.settings.SaveSetting(QStringLiteral("Port"), QStringLiteral("2"));
        r.state.PortNumber = 2;
        auto w = r.open();
        w->findChild<QComboBox*>("cmbPorte")->setCurrentIndex(3);
        QCOMPARE(label(*w, "lblTest")->text(), QStringLiteral("Porta Non Disponibile!"));
        QCOMPARE(label(*w, "lblMotivo")->text(), QStringLiteral("assente"));
        QCOMPARE(r.state.PortNumber, 0);
        w->findChild<QPushButton*>("cmdOK")->click(); // does nothing without a port
        QVERIFY(w->result() != QDialog::Accepted);
        w->reject(); // the close box
        QCOMPARE(r.state.PortNumber, 0);
        QCOMPARE(r.settings.GetSetting(QStringLiteral("Port"), {}), QStringLiteral("2"));
    }

    void availableChoiceUsedWithoutStoring() {
        Rig r;
        r.available = {3};
        auto w = r.open();
        w->findChild<QComboBox*>("cmbPorte")->setCurrentIndex(2);
        QCOMPARE(r.state.PortNumber, 3);
        w->reject();
        QCOMPARE(r.state.PortNumber, 3);
        QCOMPARE(r.settings.GetSetting(QStringLiteral("Port"), QStringLiteral("none")),
                 QStringLiteral("none"));
    }

    void confirmStores() {
        Rig r;
        r.available = {4};
        auto w = r.open();
        w->findChild<QComboBox*>("cmbPorte")->setCurrentIndex(3);
        w->findChild<QPushButton*>("cmdOK")->click();
        QCOMPARE(w->result(), int(QDialog::Accepted));
        QCOMPARE(r.settings.GetSetting(QStringLiteral("Port"), {}), QStringLiteral("4"));
        QCOMPARE(SettingsStore().storedPortNumber(), 4);
    }

    // The real test on real devices: a pseudo-terminal opens, a missing device does not.
    void realDevices() {
#ifdef Q_OS_UNIX
        Pty pty;
        QVERIFY(!testOpen(pty.slave).has_value());
#endif
        const auto missing = testOpen(QStringLiteral("/dev/selvana-no-such-port"));
        QVERIFY(missing.has_value());
        QCOMPARE(missing->kind, PortError::Kind::Absent);
        QVERIFY(missing->message.contains(QStringLiteral("non esiste")));
        QCOMPARE(testOpen(QString())->kind, PortError::Kind::NoPort);
    }

    void busyDeviceToldApart() {
        SELVANA_NEEDS_PTY();
        Pty pty;
        SystemSerialLink holder;
        QVERIFY(!holder.open(pty.slave).has_value());
        const auto busy = testOpen(pty.slave);
        QVERIFY(busy.has_value());
        QCOMPARE(busy->kind, PortError::Kind::Busy);
        QVERIFY(busy->message.contains(QStringLiteral("occupata")));
    }

    // A stored port that does not work says why as the window opens, device included.
    void reasonShownAtOpening_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("words");
        QTest::newRow("absent") << "absent"
                                << "non esiste";
        QTest::newRow("no permission") << "forbidden"
                                       << "Permesso negato";
        QTest::newRow("no permission on the device file") << "forbidden file"
                                                          << "Permesso negato";
        QTest::newRow("busy") << "busy"
                              << "occupata";
    }
    void reasonShownAtOpening() {
        QFETCH(QString, how);
        Pty pty;
        SystemSerialLink holder;
        DeviceRig r;
        QString device = pty.slave;
        if (how == "absent") {
            device = "/dev/selvana-no-such-port";
        } else if (how == "forbidden") {
#ifdef Q_OS_WIN
            QSKIP("Windows has no rights of a user on a COM port: one refused is busy");
#endif
            r.tester = [](const QString& d) -> std::optional<PortError> {
                return classifyOpenFailure(d, {true, false, "dialout"});
            };
        } else if (how == "forbidden file") {
#ifdef Q_OS_UNIX
            if (::geteuid() == 0)
                QSKIP("root opens a device whatever its mode; the row above shows the window");
#else
            QSKIP("Windows has no device files whose permissions refuse a port");
#endif
            QVERIFY(QFile::setPermissions(device, {}));
        } else if (how == "busy") {
            SELVANA_NEEDS_PTY();
            QVERIFY(!holder.open(device));
        }
        r.settings.SaveSetting("Port", "1");
        r.settings.SaveSetting("Device1", device);
        r.state.PortNumber = r.settings.storedPortNumber();
        auto w = r.open();
        QCOMPARE(r.tested, QStringList{device}); // one test, not a second one on port 0
        QCOMPARE(w->findChild<QComboBox*>("cmbPorte")->currentIndex(), 0);
        QCOMPARE(label(*w, "lblTest")->text(), QStringLiteral("Porta Non Disponibile!"));
        QCOMPARE(foreColor(label(*w, "lblTest")), 255u);
        const QString reason = label(*w, "lblMotivo")->text();
        QVERIFY2(reason.contains(device), qPrintable(reason));
        QFETCH(QString, words);
        QVERIFY2(reason.contains(words), qPrintable(reason));
        QCOMPARE(r.state.PortNumber, 0);
    }

    // A reason of several lines is shown whole, at opening and when another port is chosen.
    void wholeReasonShown() {
        DeviceRig r;
        const QString longReason =
            QStringLiteral("La porta %1 non esiste: verificare che l'adattatore sia collegato "
                           "oppure scegliere un'altra porta con \"Impostazioni\". ")
                .repeated(8);
        r.tester = [&longReason](const QString& d) -> std::optional<PortError> {
            return PortError{PortError::Kind::Absent, d, longReason.arg(d)};
        };
        r.state.PortNumber = 1;
        auto w = r.open();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QLabel* reason = label(*w, "lblMotivo");
        const auto whole = [reason] {
            return reason->height() >= reason->heightForWidth(reason->width());
        };
        QTRY_VERIFY(whole());
        QVERIFY(reason->height() > 2 * reason->fontMetrics().height());
        w->findChild<QComboBox*>("cmbPorte")->setCurrentIndex(3);
        QVERIFY(reason->text().contains(unassignedDevice(4)));
        QTRY_VERIFY(whole());
    }

    void detectedPortsListed_data() {
        QTest::addColumn<QList<DetectedPort>>("present");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("none") << QList<DetectedPort>{} << QStringList{};
        QTest::newRow("two adapters, the first one port 1")
            << QList<DetectedPort>{ftdiAdapter(unassignedDevice(1)), acmAdapter("/dev/ttyACM0")}
            << QStringList{unassignedDevice(1) +
                               " — FT232R USB UART (FTDI, USB 0403:6001, n. di serie A1B2C3)  → "
                               "Com 01:",
                           "/dev/ttyACM0 — Arduino Uno (Arduino (www.arduino.cc), USB "
                           "2341:0043)"};
    }
    void detectedPortsListed() {
        QFETCH(QList<DetectedPort>, present);
        DeviceRig r;
        r.ports.set(present);
        auto w = r.open();
        QTEST(listed(*w), "items");
        QCOMPARE(!label(*w, "lblRilevate")->isHidden(), present.isEmpty());
        QCOMPARE(label(*w, "lblRilevate")->text(),
                 QStringLiteral("Nessun adattatore seriale collegato."));
        QCOMPARE(label(*w, "lblDispositivo_1")->text().startsWith("Com 01: " + unassignedDevice(1)),
                 true);
        QCOMPARE(label(*w, "lblDispositivo_4")->text(),
                 "Com 04: " + unassignedDevice(4) + " (non rilevata)");
    }

    // The installer picks an adapter of the list (or types a device) for the port chosen; it is
    // tested there at once and stored with its identity.
    void assignToPort_data() {
        QTest::addColumn<int>("chosenIndex");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<int>("port");
        QTest::newRow("no port chosen yet: port 1") << -1 << false << 1;
        QTest::newRow("picked for port 3") << 2 << false << 3;
        QTest::newRow("typed by hand for port 2") << 1 << true << 2;
    }
    void assignToPort() {
        QFETCH(int, chosenIndex);
        QFETCH(bool, typed);
        QFETCH(int, port);
        SELVANA_NEEDS_PTY();
        Pty pty;
        DeviceRig r;
        const DetectedPort adapter = ftdiAdapter(pty.slave);
        r.ports.set({acmAdapter("/dev/ttyACM0"), adapter});
        auto w = r.open();
        auto* combo = w->findChild<QComboBox*>("cmbPorte");
        auto* assign = w->findChild<QPushButton*>("cmdAssegna");
        auto* path = w->findChild<QLineEdit*>("txtDispositivo");
        QCOMPARE(assign->text(), QStringLiteral("Assegna alla porta"));
        QVERIFY(!assign->isEnabled());
        combo->setCurrentIndex(chosenIndex);
        if (typed)
            path->setText(pty.slave);
        else
            w->findChild<QListWidget*>("lstAdattatori")->setCurrentRow(1);
        QCOMPARE(path->text(), pty.slave);
        r.tested.clear();
        assign->click();
        QCOMPARE(combo->currentIndex(), port - 1);
        QCOMPARE(r.tested, QStringList{pty.slave});
        QCOMPARE(label(*w, "lblTest")->text(), QStringLiteral("Porta Disponibile!"));
        QCOMPARE(r.state.PortNumber, port);
        const QString key = QString::number(port);
        QCOMPARE(r.setting(qPrintable("Device" + key)), pty.slave);
        QCOMPARE(r.setting(qPrintable("DeviceId" + key)), adapterIdentity(adapter));
        QVERIFY(label(*w, qPrintable("lblDispositivo_" + key))->text().contains("FT232R"));
        QVERIFY(listed(*w).last().endsWith("→ " + slotName(port)));
        QCOMPARE(r.setting("Port"), QStringLiteral("(none)")); // stored at confirmation
        w->findChild<QPushButton*>("cmdOK")->click();
        QCOMPARE(r.setting("Port"), key);
    }

    // A port confirmed on an adapter present remembers which adapter it is.
    void confirmationRemembersTheAdapter() {
        DeviceRig r;
        r.testAgainstList();
        r.ports.set({ftdiAdapter(unassignedDevice(1))});
        r.state.PortNumber = 1;
        auto w = r.open();
        QCOMPARE(r.setting("DeviceId1"), QStringLiteral("(none)"));
        w->findChild<QPushButton*>("cmdOK")->click();
        QCOMPARE(r.setting("DeviceId1"), adapterIdentity(ftdiAdapter(unassignedDevice(1))));
    }

    // While the window is open, the list follows adapters plugged and unplugged, and the port
    // chosen is tested again when its own device comes or goes.
    void followsPlugging_data() {
        QTest::addColumn<QList<DetectedPort>>("before");
        QTest::addColumn<QList<DetectedPort>>("after");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("tests");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("notice");
        const auto usb0 = ftdiAdapter("/dev/ttyUSB0");
        const auto usb1 = ftdiAdapter("/dev/ttyUSB1");
        const auto acm0 = acmAdapter("/dev/ttyACM0");
        QTest::newRow("plugged in") << QList<DetectedPort>{} << QList<DetectedPort>{usb0}
                                    << "Porta Disponibile!" << 1 << "/dev/ttyUSB0"
                                    << "";
        QTest::newRow("unplugged") << QList<DetectedPort>{usb0} << QList<DetectedPort>{}
                                   << "Porta Non Disponibile!" << 1 << "/dev/ttyUSB0"
                                   << "";
        QTest::newRow("plugged again under another name")
            << QList<DetectedPort>{} << QList<DetectedPort>{usb1} << "Porta Disponibile!" << 1
            << "/dev/ttyUSB1"
            << "L'adattatore di Com 01: FT232R USB UART (FTDI, USB 0403:6001, n. di serie "
               "A1B2C3) era /dev/ttyUSB0, ora è /dev/ttyUSB1.";
        QTest::newRow("renamed while plugged")
            << QList<DetectedPort>{usb0} << QList<DetectedPort>{usb1} << "Porta Disponibile!" << 1
            << "/dev/ttyUSB1"
            << "ora è /dev/ttyUSB1";
        QTest::newRow("another adapter comes: port 1 left alone")
            << QList<DetectedPort>{usb0} << QList<DetectedPort>{usb0, acm0} << "Porta Disponibile!"
            << 0 << "/dev/ttyUSB0"
            << "";
    }
    void followsPlugging() {
        QFETCH(QList<DetectedPort>, before);
        QFETCH(QList<DetectedPort>, after);
        DeviceRig r;
        r.testAgainstList();
        storeSlot(1, {"/dev/ttyUSB0", adapterIdentity(ftdiAdapter("/dev/ttyUSB0"))}, r.settings);
        r.ports.set(before);
        r.state.PortNumber = 1;
        auto w = r.open();
        QCOMPARE(r.tested.size(), 1);
        r.ports.set(after);
        QTRY_COMPARE(listed(*w).size(), after.size());
        QFETCH(int, tests);
        QTRY_COMPARE(r.tested.size(), 1 + tests);
        QTEST(label(*w, "lblTest")->text(), "result");
        QFETCH(QString, device);
        QCOMPARE(r.setting("Device1"), device);
        QCOMPARE(r.tested.last(), device);
        QVERIFY(label(*w, "lblDispositivo_1")->text().startsWith("Com 01: " + device));
        QCOMPARE(r.state.PortNumber, label(*w, "lblTest")->text() == "Porta Disponibile!" ? 1 : 0);
        QFETCH(QString, notice);
        QVERIFY2(label(*w, "lblAvviso")->text().contains(notice),
                 qPrintable(label(*w, "lblAvviso")->text()));
        QCOMPARE(label(*w, "lblAvviso")->isHidden(), notice.isEmpty());
        // Nothing is tested again while the list stays the same.
        const int testsSoFar = r.tested.size();
        const int asked = r.ports.asked;
        QTRY_VERIFY(r.ports.asked >= asked + 3);
        QCOMPARE(r.tested.size(), testsSoFar);
    }

    void deviceMapping() {
        SettingsStore settings;
        QCOMPARE(deviceForPort(1, settings), unassignedDevice(1));
        QCOMPARE(deviceForPort(4, settings), unassignedDevice(4));
        settings.SaveSetting(QStringLiteral("Device2"), QStringLiteral(" /dev/pts/9 "));
        QCOMPARE(deviceForPort(2, settings), QStringLiteral("/dev/pts/9"));
        QCOMPARE(deviceForPort(0, settings), QString());
    }
};

SELVANA_TEST_MAIN(TestPortWindow)
#include "tst_port_window.moc"
