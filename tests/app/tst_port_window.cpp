#include "common/test_main.h"
#include "serial/port_devices.h"
#include "serial/qt_serial_link.h"
#include "serial/settings_store.h"
#include "ui/colours.h"
#include "ui/port_window.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace selvana;

namespace {

// A pseudo-terminal whose slave side stands in for a serial adapter.
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
        Pty pty;
        QVERIFY(!testOpen(pty.slave).has_value());
        const auto missing = testOpen(QStringLiteral("/dev/selvana-no-such-port"));
        QVERIFY(missing.has_value());
        QCOMPARE(missing->kind, PortError::Kind::Absent);
        QVERIFY(missing->message.contains(QStringLiteral("non esiste")));
        QCOMPARE(testOpen(QString())->kind, PortError::Kind::NoPort);
    }

    void busyDeviceToldApart() {
        Pty pty;
        QtSerialLink holder;
        QVERIFY(!holder.open(pty.slave).has_value());
        const auto busy = testOpen(pty.slave);
        QVERIFY(busy.has_value());
        QCOMPARE(busy->kind, PortError::Kind::Busy);
        QVERIFY(busy->message.contains(QStringLiteral("occupata")));
    }

    void deviceMapping() {
        SettingsStore settings;
        QCOMPARE(deviceForPort(1, settings), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(deviceForPort(4, settings), QStringLiteral("/dev/ttyUSB3"));
        settings.SaveSetting(QStringLiteral("Device2"), QStringLiteral(" /dev/pts/9 "));
        QCOMPARE(deviceForPort(2, settings), QStringLiteral("/dev/pts/9"));
        QCOMPARE(deviceForPort(0, settings), QString());
    }
};

SELVANA_TEST_MAIN(TestPortWindow)
#include "tst_port_window.moc"
