#include "common/test_main.h"
#include "common/window_rig.h"
#include "core/files/backup_store.h"
#include "core/image/config_assembler.h"
#include "core/image/config_decoder.h"

#include <QDir>
#include <QFile>

#include <QCheckBox>
#include <QComboBox>

using namespace selvana;
using namespace selvana::testing;

class TestEditorE2E : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // Read, edit, write: the peripheral holds exactly what the editor showed.
    void editedConfigurationReachesThePeripheral() {
        sim::SimulatorOptions options;
        options.announce = 'K';
        WindowRig r(options);
        const Image original = r.peripheral->image();
        QVERIFY(r.read());

        r.c().txtTempoSirena->setText(QStringLiteral("45"));
        r.c().txtFrequenzaTX->setText(QStringLiteral("160,5"));
        r.c().cmbProtocollo->setCurrentIndex(0); // "Proteus" instead of "Proteus-X"
        QVERIFY(r.command("SAVE")->isEnabled());
        QVERIFY(r.write());
        QCOMPARE(r.prompt(), ProgrammingRun::promptWritten());

        // What the same edits give through the codec alone, with the protocol rule's effects:
        // no network, no double hop (so low tones on a repeater), 4 inputs, offsets cleared.
        ConfigRecord expected;
        Analyze2(original, {}, expected);
        expected.TempoSirena = 45;
        expected.FrequenzaTX = 160.5;
        expected.Protocollo = 0;
        expected.CodiceRete = 0;
        expected.DoppioSalto = false;
        expected.ToniAlti = false;
        expected.NumIngressi = 4;
        expected.OffsetSicep1 = 0;
        expected.OffsetSicep2 = 0;
        expected.RimappaturaIngressiSicep = false;
        Image expectedImage{};
        QVERIFY(!assembleSaveImage(expected, original, expectedImage));
        const Image stored = r.peripheral->image();
        for (int k = 1; k <= 64; ++k)
            QVERIFY2(stored[k] == expectedImage[k],
                     qPrintable(QStringLiteral("byte %1: %2 instead of %3")
                                    .arg(k)
                                    .arg(stored[k], 2, 16)
                                    .arg(expectedImage[k], 2, 16)));
        QCOMPARE(stored[64], CalcolaCKSSave(stored));
        QCOMPARE(stored[45], 45);
        QCOMPARE(stored[15] & 7, 0);

        // What the peripheral held before the write is kept as a configuration file.
        const QDir backups(BackupStore::defaultFolder());
        const QStringList files =
            backups.entryList({QStringLiteral("1234ABCD_*.con")}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QFile backup(backups.filePath(files.first()));
        QVERIFY(backup.open(QIODevice::ReadOnly));
        const QByteArray kept = backup.readAll();
        QCOMPARE(kept.size(), 62);
        QCOMPARE(kept.left(2), QByteArray("KV"));
        for (int k = 5; k <= 64; ++k)
            QCOMPARE(static_cast<std::uint8_t>(kept[k - 3]), original[k]);

        // A second read shows the new values.
        QVERIFY(r.read());
        QCOMPARE(r.c().txtTempoSirena->text(), QStringLiteral("45"));
        QCOMPARE(r.c().txtFrequenzaTX->text(), QStringLiteral("160,5000"));
        QCOMPARE(r.c().cmbProtocollo->currentText(), QStringLiteral("Proteus"));
        QCOMPARE(r.c().lblToni->text(), QStringLiteral("Bassi"));
    }

    // Without a copy of what the peripheral holds, nothing is written to it.
    void noBackupNoWrite() {
        QDir().mkpath(QFileInfo(BackupStore::defaultFolder()).path());
        QDir(BackupStore::defaultFolder()).removeRecursively();
        QFile blocker(BackupStore::defaultFolder()); // a file where the folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        WindowRig r;
        QVERIFY(r.read());
        r.received.clear();
        r.click("SAVE");
        QTest::qWait(700);
        QVERIFY(r.received.isEmpty());
        QCOMPARE(r.dialogs.messages.size(), 1);
        QVERIFY(r.command("SAVE")->isEnabled());
        QVERIFY(blocker.remove());
        QVERIFY(r.write()); // the copy can be made now
        QCOMPARE(r.prompt(), ProgrammingRun::promptWritten());
    }

    void unconvertibleFieldSendsNothing() {
        WindowRig r;
        QVERIFY(r.read());
        r.c().txtTempoUscita->setText(QString());
        r.received.clear();
        r.click("SAVE");
        QTest::qWait(700); // more than a tick: nothing may leave meanwhile
        QVERIFY(r.received.isEmpty());
        QCOMPARE(r.dialogs.messages.size(), 1);
        QVERIFY(r.dialogs.messages.first().contains(QStringLiteral("Tempo Uscita (s)")));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(r.c().txtTempoUscita));
        QVERIFY(r.command("SAVE")->isEnabled());

        r.c().txtTempoUscita->setText(QStringLiteral("20"));
        QVERIFY(r.write());
        QCOMPARE(r.prompt(), ProgrammingRun::promptWritten());
        QCOMPARE(r.received.size(), 71);
    }

    // The same peripheral read twice gives the same write frame, whatever happened between.
    void secondReadAfterEditsWritesTheSameFrame() {
        sim::SimulatorOptions options;
        options.announce = 'K';
        options.serials = {0x11111111, 0x22222222};
        WindowRig r(options);
        QVERIFY(r.read());
        r.received.clear();
        QVERIFY(r.write()); // peripheral 1, unedited; peripheral 2 comes next
        const QByteArray firstFrame = r.received.mid(r.received.indexOf("\nP"));

        // Peripheral 2 holds what peripheral 1 was given except its serial number.
        QVERIFY(r.read());
        r.c().cmbProtocollo->setCurrentIndex(2); // Sicep: inputs, states, path all change
        r.c().chkCentralinaIntegrata->click();
        r.click("END");
        QVERIFY(r.read());
        r.received.clear();
        QVERIFY(r.write());
        const QByteArray secondFrame = r.received.mid(r.received.indexOf("\nP"));
        QCOMPARE(secondFrame.size(), 71);
        // bytes 5..63 alike; the serial number (and so the checksum) is the peripheral's own
        QCOMPARE(secondFrame.mid(6, 59), firstFrame.mid(6, 59));
        QCOMPARE(secondFrame.mid(2, 4), QByteArray::fromHex("22222222"));
        QCOMPARE(static_cast<std::uint8_t>(secondFrame[65]), CalcolaCKSSave(r.state.SaveImage));
    }
};

SELVANA_TEST_MAIN(TestEditorE2E)
#include "tst_editor_e2e.moc"
