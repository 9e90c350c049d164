#include "common/detected_ports.h"
#include "common/test_main.h"
#include "common/window_rig.h"
#include "serial/port_slots.h"
#include "ui/port_window.h"

#include <QListWidget>
#include <QPushButton>

using namespace selvana;
using namespace selvana::testing;

namespace {

const QString kGone = QStringLiteral("/dev/selvana-unplugged");

// The real window on the simulator's pseudo-terminal, which the scripted system lists as a USB
// adapter; port 1 starts on a device that is not there.
struct ChoiceRig : WindowRig {
    ListedPorts ports;
    QStringList promptsAtQuestions;

    ChoiceRig() {
        settings.SaveSetting("Device1", kGone);
        window->setPortEnumerator(ports);
        dialogs.onQuestion = [this](const QString&) { promptsAtQuestions << prompt(); };
    }
    DetectedPort simulatorAdapter() const { return ftdiAdapter(pty.slavePath(), "SIM001"); }
    QString setting(const char* key) const {
        return settings.GetSetting(QLatin1String(key), QStringLiteral("(none)"));
    }
};

} // namespace

class TestPortChoiceEndToEnd : public QObject {
    Q_OBJECT
private slots:
    // "Impostazioni": the adapter picked from the list becomes port 1, and the next read goes
    // through it.
    void adapterAssignedInTheWindowIsRead() {
        ChoiceRig r;
        r.ports.set({acmAdapter("/dev/ttyACM0"), r.simulatorAdapter()});
        r.dialogs.onModal = [](QDialog& dialog) {
            dialog.findChild<QListWidget*>("lstAdattatori")->setCurrentRow(1);
            dialog.findChild<QPushButton*>("cmdAssegna")->click();
            dialog.findChild<QPushButton*>("cmdOK")->click();
        };
        r.click("CONFIG");
        QCOMPARE(r.dialogs.modalRuns, 1);
        QCOMPARE(r.setting("Device1"), r.pty.slavePath());
        QCOMPARE(r.setting("DeviceId1"), adapterIdentity(r.simulatorAdapter()));
        QCOMPARE(r.commands(), QStringLiteral("10111"));
        QVERIFY(r.read());
        QVERIFY(r.dialogs.questions.isEmpty());
    }

    // The adapter of port 1 came back under another name: the read finds it by its serial
    // number and port 1 keeps the new name.
    void renamedAdapterIsFoundAgain() {
        ChoiceRig r;
        const DetectedPort adapter = r.simulatorAdapter();
        storeSlot(1, {kGone, adapterIdentity(adapter)}, r.settings);
        r.ports.set({acmAdapter("/dev/ttyACM0"), adapter});
        QVERIFY(r.read());
        QCOMPARE(r.setting("Device1"), r.pty.slavePath());
        QVERIFY(r.dialogs.questions.isEmpty());
    }

    // "Lettura Configurazione" on a port whose device is absent: the only adapter present is
    // named and offered; several are counted; none is said.
    void absentPortAtRead_data() {
        QTest::addColumn<int>("adapters");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("words"); // in the prompt at the end
        QTest::newRow("one adapter, taken") << 1 << true << true << "";
        QTest::newRow("one adapter, declined")
            << 1 << false << false << "È collegato l'adattatore %1: per usarlo, sceglierlo con";
        QTest::newRow("none") << 0 << true << false << "Nessun adattatore seriale collegato.";
        QTest::newRow("two") << 2 << true << false
                             << "Sono collegati 2 adattatori seriali: sceglierne uno con";
    }
    void absentPortAtRead() {
        QFETCH(int, adapters);
        QFETCH(bool, answer);
        QFETCH(bool, read);
        QFETCH(QString, words);
        ChoiceRig r;
        const DetectedPort adapter = r.simulatorAdapter();
        QList<DetectedPort> present{r.simulatorAdapter(), acmAdapter("/dev/ttyACM0")};
        r.ports.set(present.mid(0, adapters));
        r.dialogs.answer = answer;

        QCOMPARE(r.read(), read);
        const QString offer =
            QStringLiteral("Usare l'adattatore %1 per Com 01:?").arg(describePort(adapter));
        QCOMPARE(r.dialogs.questions, adapters == 1 ? QStringList{offer} : QStringList{});
        if (adapters == 1) {
            // Asked while the prompt says what is wrong and which adapter is there.
            const QString asked = r.promptsAtQuestions.value(0);
            QVERIFY2(asked.contains(QStringLiteral("La porta %1 non esiste").arg(kGone)),
                     qPrintable(asked));
            QVERIFY2(
                asked.contains("È collegato un solo adattatore seriale: " + describePort(adapter)),
                qPrintable(asked));
        }
        QCOMPARE(r.setting("Device1"), read ? r.pty.slavePath() : kGone);
        QCOMPARE(r.setting("DeviceId1"),
                 read ? adapterIdentity(adapter) : QStringLiteral("(none)"));
        QCOMPARE(r.setting("Port"), QStringLiteral("1"));
        if (!read) {
            QVERIFY(r.prompt().contains(QStringLiteral("La porta %1 non esiste").arg(kGone)));
            QVERIFY2(r.prompt().contains(QString(words).replace("%1", describePort(adapter))),
                     qPrintable(r.prompt()));
            QCOMPARE(r.commands(), QStringLiteral("10111"));
        }
    }
};

SELVANA_TEST_MAIN(TestPortChoiceEndToEnd)
#include "tst_port_choice_e2e.moc"
