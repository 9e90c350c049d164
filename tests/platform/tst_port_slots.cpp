#include "common/detected_ports.h"
#include "common/test_main.h"
#include "serial/port_devices.h"
#include "serial/port_enumerator.h"
#include "serial/port_slots.h"
#include "serial/settings_store.h"

#include <QSettings>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace selvana;
using namespace selvana::testing;
using State = SlotMatch::State;

namespace {

const QString kFtdiA1 = QStringLiteral("0403:6001 sn=A1 if=1.0");
const QString kCh340At12 = QStringLiteral("1a86:7523 usb=1-1.2 if=1.0");

QStringList devicesOf(const QList<DetectedPort>& ports) {
    QStringList devices;
    for (const DetectedPort& port : ports)
        devices << port.device;
    return devices;
}

} // namespace

class TestPortSlots : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QSettings(QSettings::IniFormat, QSettings::UserScope, "SelvanaM", "SelvanaM").clear();
    }

    void identity_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("identity");
        QTest::newRow("serial number") << "/dev/ttyUSB0|0403:6001|A1|1-1.2|1.0" << kFtdiA1;
        QTest::newRow("serial number, no interface known (Windows)") << "COM5|0403:6001|A1"
                                                                     << "0403:6001 sn=A1";
        QTest::newRow("no serial number: position")
            << "/dev/ttyUSB0|1a86:7523||1-1.2|1.0" << kCh340At12;
        QTest::newRow("neither: any adapter of the model would match") << "/dev/ttyUSB0|1a86:7523"
                                                                       << "";
        QTest::newRow("motherboard port") << "/dev/ttyS0"
                                          << "";
        QTest::newRow("second port of a dual adapter") << "/dev/ttyUSB1|0403:6010|D1|1-2|1.1"
                                                       << "0403:6010 sn=D1 if=1.1";
    }
    void identity() {
        QFETCH(QString, port);
        QTEST(adapterIdentity(portFromText(port)), "identity");
    }

    void match_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("identity");
        QTest::addColumn<QString>("resolved");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("now");
        QTest::addColumn<int>("port");

        const QString a1 = "|0403:6001|A1|1-1.2|1.0";
        const QString b2 = "|0403:6001|B2|1-1.4|1.0";
        QTest::newRow("by name, present") << "/dev/ttyUSB0"
                                          << ""
                                          << "" << QStringList{"/dev/ttyACM0", "/dev/ttyUSB0" + a1}
                                          << int(State::Listed) << "/dev/ttyUSB0" << 1;
        QTest::newRow("by name, not present") << "/dev/ttyUSB3"
                                              << ""
                                              << "" << QStringList{"/dev/ttyUSB0" + a1}
                                              << int(State::Unlisted) << "/dev/ttyUSB3" << -1;
        QTest::newRow("by name through a link")
            << "/dev/serial/by-id/usb-FTDI-A1"
            << ""
            << "/dev/ttyUSB0" << QStringList{"/dev/ttyUSB0" + a1} << int(State::Listed)
            << "/dev/serial/by-id/usb-FTDI-A1" << 0;
        QTest::newRow("its adapter under its name")
            << "/dev/ttyUSB0" << kFtdiA1 << "" << QStringList{"/dev/ttyUSB0" + a1}
            << int(State::Listed) << "/dev/ttyUSB0" << 0;
        QTest::newRow("renamed, found by serial number")
            << "/dev/ttyUSB0" << kFtdiA1 << "" << QStringList{"/dev/ttyUSB1" + a1}
            << int(State::Moved) << "/dev/ttyUSB1" << 0;
        QTest::newRow("renamed while another adapter took its name")
            << "/dev/ttyUSB0" << kFtdiA1 << ""
            << QStringList{"/dev/ttyUSB0" + b2, "/dev/ttyUSB1" + a1} << int(State::Moved)
            << "/dev/ttyUSB1" << 1;
        QTest::newRow("renamed, found by position")
            << "/dev/ttyUSB0" << kCh340At12 << ""
            << QStringList{"/dev/ttyUSB1|1a86:7523||1-1.2|1.0"} << int(State::Moved)
            << "/dev/ttyUSB1" << 0;
        QTest::newRow("same model at another position is another adapter")
            << "/dev/ttyUSB0" << kCh340At12 << ""
            << QStringList{"/dev/ttyUSB1|1a86:7523||1-1.3|1.0"} << int(State::Missing)
            << "/dev/ttyUSB0" << -1;
        QTest::newRow("unplugged") << "/dev/ttyUSB0" << kFtdiA1 << "" << QStringList{}
                                   << int(State::Missing) << "/dev/ttyUSB0" << -1;
        QTest::newRow("another adapter under its name")
            << "/dev/ttyUSB0" << kFtdiA1 << "" << QStringList{"/dev/ttyUSB0" + b2}
            << int(State::Replaced) << "/dev/ttyUSB0" << 0;
        QTest::newRow("two alike, one under its name keeps it")
            << "/dev/ttyUSB0" << kFtdiA1 << ""
            << QStringList{"/dev/ttyUSB0" + a1, "/dev/ttyUSB1" + a1} << int(State::Listed)
            << "/dev/ttyUSB0" << 0;
        QTest::newRow("two alike elsewhere: no guess")
            << "/dev/ttyUSB0" << kFtdiA1 << ""
            << QStringList{"/dev/ttyUSB1" + a1, "/dev/ttyUSB2" + a1} << int(State::Ambiguous)
            << "/dev/ttyUSB0" << -1;
        QTest::newRow("second port of a dual adapter follows its interface")
            << "/dev/ttyUSB1"
            << "0403:6010 sn=D1 if=1.1"
            << ""
            << QStringList{"/dev/ttyUSB2|0403:6010|D1|1-2|1.0", "/dev/ttyUSB3|0403:6010|D1|1-2|1.1"}
            << int(State::Moved) << "/dev/ttyUSB3" << 1;
        QTest::newRow("Windows: COM5 came back as COM7")
            << "COM5"
            << "0403:6001 sn=A1"
            << "" << QStringList{"COM3", "COM7|0403:6001|A1"} << int(State::Moved) << "COM7" << 1;
    }
    void match() {
        QFETCH(QString, device);
        QFETCH(QString, identity);
        QFETCH(QString, resolved);
        QFETCH(QStringList, present);
        const SlotMatch m = matchSlot({device, identity}, portList(present), resolved);
        QTEST(int(m.state), "state");
        QTEST(m.device, "now");
        QTEST(m.port, "port");
    }

    void summary_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("identity");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("text");
        const QString ftdi = "|0403:6001|A1|1-1.2|1.0|FT232R USB UART|FTDI";
        QTest::newRow("present") << "/dev/ttyUSB0" << kFtdiA1 << QStringList{"/dev/ttyUSB0" + ftdi}
                                 << "/dev/ttyUSB0 — FT232R USB UART (FTDI, USB 0403:6001, n. di "
                                    "serie A1)";
        QTest::newRow("moved") << "/dev/ttyUSB0" << kFtdiA1 << QStringList{"/dev/ttyUSB1" + ftdi}
                               << "/dev/ttyUSB1 — FT232R USB UART (FTDI, USB 0403:6001, n. di "
                                  "serie A1) (era /dev/ttyUSB0)";
        QTest::newRow("missing") << "/dev/ttyUSB0" << kFtdiA1 << QStringList{}
                                 << "/dev/ttyUSB0 — adattatore non collegato";
        QTest::newRow("replaced")
            << "/dev/ttyUSB0" << kFtdiA1 << QStringList{"/dev/ttyUSB0|0403:6015|B2||1.0|FT230X"}
            << "/dev/ttyUSB0 — ora è un altro adattatore: FT230X (USB 0403:6015, n. di serie B2)";
        QTest::newRow("ambiguous") << "/dev/ttyUSB0" << kFtdiA1
                                   << QStringList{"/dev/ttyUSB1" + ftdi, "/dev/ttyUSB2" + ftdi}
                                   << "/dev/ttyUSB0 — più adattatori uguali collegati: assegnarne "
                                      "uno";
        QTest::newRow("not among those present")
            << "/dev/ttyUSB2"
            << "" << QStringList{} << "/dev/ttyUSB2 (non rilevata)";
    }
    void summary() {
        QFETCH(QString, device);
        QFETCH(QString, identity);
        QFETCH(QStringList, present);
        const QList<DetectedPort> ports = portList(present);
        QTEST(slotSummary({device, identity}, matchSlot({device, identity}, ports), ports), "text");
    }

    void description_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("text");
        QTest::newRow("everything") << "/dev/ttyUSB0|0403:6001|A1B2C3|1-1|1.0|FT232R USB UART|FTDI"
                                    << "FT232R USB UART (FTDI, USB 0403:6001, n. di serie A1B2C3)";
        QTest::newRow("maker already in the description")
            << "/dev/ttyUSB0|0403:6001|||1.0|FTDI FT232R USB UART|FTDI"
            << "FTDI FT232R USB UART (USB 0403:6001)";
        QTest::newRow("nothing known") << "/dev/ttyS0"
                                       << "Porta seriale";
        QTest::newRow("description only") << "COM1|||||Communications Port"
                                          << "Communications Port";
    }
    void description() {
        QFETCH(QString, port);
        QTEST(describeAdapter(portFromText(port)), "text");
    }

    void candidates_data() {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("candidates");
        QTest::newRow("none") << QStringList{} << QStringList{};
        QTest::newRow("a motherboard port alone")
            << QStringList{"/dev/ttyS0"} << QStringList{"/dev/ttyS0"};
        QTest::newRow("a USB adapter beside a motherboard port")
            << QStringList{"/dev/ttyS0", "/dev/ttyUSB0|0403:6001|A1"}
            << QStringList{"/dev/ttyUSB0"};
        QTest::newRow("two USB adapters")
            << QStringList{"/dev/ttyACM0|2341:0043", "/dev/ttyS0", "/dev/ttyUSB0|0403:6001|A1"}
            << QStringList{"/dev/ttyACM0", "/dev/ttyUSB0"};
    }
    void candidates() {
        QFETCH(QStringList, present);
        QTEST(devicesOf(adapterCandidates(portList(present))), "candidates");
    }

    void usbPlace_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("position");
        QTest::addColumn<QString>("interface");
        QTest::newRow("adapter with its own chip")
            << "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1.2/1-1.2:1.0/ttyUSB0"
            << "1-1.2"
            << "1.0";
        QTest::newRow("CDC-ACM") << "/sys/devices/pci0000:00/0000:00:14.0/usb3/3-2/3-2:1.0"
                                 << "3-2"
                                 << "1.0";
        QTest::newRow("behind two hubs, second interface")
            << "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1.4/2-1.4.3/2-1.4.3:1.1/ttyUSB1"
            << "2-1.4.3"
            << "1.1";
        QTest::newRow("motherboard port") << "/sys/devices/pnp0/00:04"
                                          << ""
                                          << "";
        QTest::newRow("unknown") << ""
                                 << ""
                                 << "";
    }
    void usbPlace() {
        QFETCH(QString, path);
        const UsbPlace place = usbPlaceInSysfsPath(path);
        QTEST(place.position, "position");
        QTEST(place.interface, "interface");
    }

    void openFailure_data() {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<bool>("accessible");
        QTest::addColumn<QString>("group");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("words");
        QTest::newRow("absent") << false << false << "" << int(PortError::Kind::Absent)
                                << "La porta /dev/ttyUSB0 non esiste";
        QTest::newRow("no permission, group named")
            << true << false << "uucp" << int(PortError::Kind::PermissionDenied)
            << "Permesso negato sulla porta /dev/ttyUSB0: aggiungere l'utente al gruppo \"uucp\" "
               "(sudo usermod -aG uucp $USER)";
        QTest::newRow("no permission, group unknown")
            << true << false << "" << int(PortError::Kind::PermissionDenied)
            << "gruppo \"dialout\"";
        QTest::newRow("busy") << true << true << "dialout" << int(PortError::Kind::Busy)
                              << "La porta /dev/ttyUSB0 è occupata da un altro programma";
    }
    void openFailure() {
        QFETCH(bool, exists);
        QFETCH(bool, accessible);
        QFETCH(QString, group);
        QFETCH(QString, words);
        const PortError error = classifyOpenFailure("/dev/ttyUSB0", {exists, accessible, group});
        QTEST(int(error.kind), "kind");
        QCOMPARE(error.device, QStringLiteral("/dev/ttyUSB0"));
        QVERIFY2(error.message.contains(words), qPrintable(error.message));
    }

    // The facts come from the device file itself.
    void forbiddenDeviceFile() {
#ifdef Q_OS_UNIX
        if (::geteuid() == 0)
            QSKIP("root may open any device file: the classification is proven above");
#else
        QSKIP("Windows has no device files whose permissions refuse a port");
#endif
        QTemporaryDir dir;
        const QString path = dir.filePath("ttyFORBIDDEN");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(QFile::setPermissions(path, {}));
        const PortError error = diagnoseOpenFailure(path, QString());
        QCOMPARE(error.kind, PortError::Kind::PermissionDenied);
        QVERIFY(error.message.contains(path));
    }

    void slotsStoredAndFollowed() {
        SettingsStore settings;
        QCOMPARE(storedSlot(1, settings), (SlotAssignment{defaultDeviceForPort(1), QString()}));
        const QList<DetectedPort> before{ftdiAdapter("/dev/ttyUSB0", "A1")};
        const SlotAssignment chosen = assignmentFor(" /dev/ttyUSB0 ", before);
        QCOMPARE(chosen, (SlotAssignment{"/dev/ttyUSB0", kFtdiA1}));
        QCOMPARE(assignmentFor("/dev/ttyACM9", before), (SlotAssignment{"/dev/ttyACM9", ""}));
        storeSlot(3, chosen, settings);
        QCOMPARE(storedSlot(3, settings), chosen);

        // Plugged again, it came back under another name: the port follows it, stored at once.
        const QList<DetectedPort> after{acmAdapter("/dev/ttyACM0"),
                                        ftdiAdapter("/dev/ttyUSB1", "A1")};
        const SlotMatch match = followSlot(3, settings, after);
        QCOMPARE(match.state, State::Moved);
        QCOMPARE(match.device, QStringLiteral("/dev/ttyUSB1"));
        QCOMPARE(storedSlot(3, settings), (SlotAssignment{"/dev/ttyUSB1", kFtdiA1}));
        QCOMPARE(deviceForPort(3, settings), QStringLiteral("/dev/ttyUSB1"));
        // Gone again: the port keeps its last name.
        QCOMPARE(followSlot(3, settings, {}).state, State::Missing);
        QCOMPARE(deviceForPort(3, settings), QStringLiteral("/dev/ttyUSB1"));
    }

    void linkedDeviceMatchesItsTarget() {
#ifdef Q_OS_WIN
        QSKIP("Windows names a port COMn, with no links to its device");
#endif
        QTemporaryDir dir;
        const QString target = dir.filePath("ttyUSB7");
        const QString link = dir.filePath("usb-FTDI_A1-if00-port0");
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(QFile::link(target, link));
        const QList<DetectedPort> present{ftdiAdapter(target, "A1")};
        const SlotMatch match = locateSlot({link, QString()}, present);
        QCOMPARE(match.state, State::Listed);
        QCOMPARE(match.device, link);
        QCOMPARE(assignmentFor(link, present), (SlotAssignment{link, kFtdiA1}));
    }
};

SELVANA_TEST_MAIN(TestPortSlots)
#include "tst_port_slots.moc"
