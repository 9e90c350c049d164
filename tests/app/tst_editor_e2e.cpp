#include "common/editor_rig.h"
#include "common/sample_images.h"
#include "common/test_files.h"
#include "common/test_main.h"
#include "common/window_rig.h"
#include "core/files/backup_store.h"
#include "core/image/config_assembler.h"
#include "core/image/config_decoder.h"
#include "ui/colours.h"

#include <QDir>
#include <QFile>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

using namespace selvana;
using namespace selvana::testing;

Q_DECLARE_METATYPE(selvana::Image)

namespace {

// What an unedited write of an image gives through the codec alone.
Image assembled(const Image& image) {
    ConfigRecord record;
    Analyze2(image, {}, record);
    Image out{};
    if (assembleSaveImage(record, image, out))
        qWarning("the image does not assemble");
    return out;
}

QString bytesAt(const Image& image, int at, int count) {
    QByteArray bytes;
    for (int k = at; k < at + count; ++k)
        bytes.append(static_cast<char>(image[k]));
    return QString::fromLatin1(bytes.toHex().toUpper());
}

// Waits until the run's timer has ticked n times.
bool waitTicks(WindowRig& r, int n) {
    int ticks = 0;
    const auto counter =
        QObject::connect(&r.window->run().tmrClock(), &QTimer::timeout, [&ticks] { ++ticks; });
    const bool ticked = QTest::qWaitFor([&ticks, n] { return ticks >= n; });
    QObject::disconnect(counter);
    return ticked;
}

// A networks file whose only listed network is 77.
QByteArray networksWithout12() {
    NetworkList list = defaultNetworkList();
    list[1] = "00077Cantiere Nord";
    return networksFileContent(list);
}

} // namespace

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

        r.w<QLineEdit>(Ctl::txtTempoSirena)->setText(QStringLiteral("45"));
        r.w<QLineEdit>(Ctl::txtFrequenzaTX)->setText(QStringLiteral("160,5"));
        r.w<QComboBox>(Ctl::cmbProtocollo)->setCurrentIndex(0); // "Proteus" instead of "Proteus-X"
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
        QCOMPARE(r.w<QLineEdit>(Ctl::txtTempoSirena)->text(), QStringLiteral("45"));
        QCOMPARE(r.w<QLineEdit>(Ctl::txtFrequenzaTX)->text(), QStringLiteral("160,5000"));
        QCOMPARE(r.w<QComboBox>(Ctl::cmbProtocollo)->currentText(), QStringLiteral("Proteus"));
        QCOMPARE(r.w<QLabel>(Ctl::lblToni)->text(), QStringLiteral("Bassi"));
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
        const bool told = r.prompt().contains(QStringLiteral("copia di sicurezza"));
        QVERIFY(blocker.remove());
        QVERIFY2(told, qPrintable(r.prompt()));
        QVERIFY(r.panelVisible("frmPrepare"));
        QVERIFY(r.dialogs.messages.isEmpty());
        QVERIFY(r.command("SAVE")->isEnabled());
        QVERIFY(waitTicks(r, 3)); // nothing leaves meanwhile
        QVERIFY(r.received.isEmpty());
        QVERIFY(r.write()); // the copy can be made now
        QCOMPARE(r.prompt(), ProgrammingRun::promptWritten());
    }

    void unconvertibleFieldSendsNothing() {
        WindowRig r;
        QVERIFY(r.read());
        r.w<QLineEdit>(Ctl::txtTempoUscita)->setText(QString());
        r.received.clear();
        r.click("SAVE");
        QVERIFY(waitTicks(r, 3)); // nothing may leave meanwhile
        QVERIFY(r.received.isEmpty());
        QCOMPARE(r.dialogs.messages.size(), 1);
        QVERIFY(r.dialogs.messages.first().contains(QStringLiteral("Tempo Uscita (s)")));
        QTRY_COMPARE(QApplication::focusWidget(),
                     static_cast<QWidget*>(r.w<QLineEdit>(Ctl::txtTempoUscita)));
        QVERIFY(r.command("SAVE")->isEnabled());

        r.w<QLineEdit>(Ctl::txtTempoUscita)->setText(QStringLiteral("20"));
        QVERIFY(r.write());
        QCOMPARE(r.prompt(), ProgrammingRun::promptWritten());
        QCOMPARE(r.received.size(), 71);
    }

    // A value longer than its box's typing limit is shown whole and written back as the
    // peripheral holds it; one the image cannot hold stops the write with a message naming the
    // box, and nothing leaves until it is corrected. No other box with a limit can be given a
    // longer value: a byte has at most three digits, a code five, a frequency eight characters.
    void longValuesComeBackWhole_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("inRange"); // black when the box is left
        QTest::addColumn<int>("at");       // first byte written, or 0: the write is refused
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<QString>("label");     // named by the refusal
        QTest::addColumn<QString>("corrected"); // then written instead
        const Image p = sampleProteusX();
        const QString cadence = QStringLiteral("txtCadenzaSopravvivenza");
        const QString sampling = QStringLiteral("txtTempoCampionamentoMancanzaAC");
        QTest::newRow("cadence 120 h")
            << with(p, {{35, 0x1C}, {36, 0x20}}) << cadence << "120" << true << 35 << "1C20"
            << ""
            << "";
        QTest::newRow("cadence 240 h")
            << with(p, {{35, 0x38}, {36, 0x40}}) << cadence << "240" << true << 35 << "3840"
            << ""
            << "";
        QTest::newRow("cadence 355 h")
            << with(p, {{35, 0x53}, {36, 0x34}}) << cadence << "355" << false << 35 << "5334"
            << ""
            << "";
        QTest::newRow("cadence 546 h, the most the image holds back")
            << with(p, {{35, 0x7F}, {36, 0xF8}}) << cadence << "546" << false << 35 << "7FF8"
            << ""
            << "";
        QTest::newRow("cadence 547 h")
            << with(p, {{35, 0x80}, {36, 0x34}}) << cadence << "547" << false << 0 << ""
            << "Cadenza (ore)"
            << "24";
        QTest::newRow("repeater code 200") << with(p, {{16, 200}}) << "txtCodiceRep"
                                           << "200" << false << 16 << "C8FF"
                                           << ""
                                           << "";
        QTest::newRow("bidirectional input 130")
            << with(p, {{15, 0x71}, {16, 130}, {17, 0xFE}}) << "txtCodiceRep"
            << "130" << false << 16 << "82FE"
            << ""
            << "";
        QTest::newRow("sampling 100 min")
            << with(p, {{39, 0x17}, {40, 0x70}}) << sampling << "100" << true << 39 << "1770"
            << ""
            << "";
        QTest::newRow("sampling 1000 min")
            << with(p, {{39, 0xEA}, {40, 0x60}}) << sampling << "1000" << false << 0 << ""
            << "Tempo Campionamento (min)"
            << "5";
    }
    void longValuesComeBackWhole() {
        QFETCH(Image, image);
        QFETCH(QString, box);
        QFETCH(int, at);
        sim::SimulatorOptions options;
        options.announce = 'K';
        options.image = image;
        WindowRig r(options);
        QVERIFY(r.read());
        auto* edit = r.window->findChild<QLineEdit*>(box);
        QTEST(edit->text(), "shown");

        // Leaving the box judges the whole value.
        edit->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(edit, Qt::Key_Tab);
        QFETCH(bool, inRange);
        QCOMPARE(foreColor(edit), inRange ? kBlack : kRed);

        if (at > 0) {
            QVERIFY(r.write());
            QCOMPARE(r.prompt(), ProgrammingRun::promptWritten());
            const Image stored = r.peripheral->image();
            QTEST(bytesAt(stored, at, 2), "bytes");
            const Image expected = assembled(image);
            for (int k = 1; k <= 64; ++k)
                QVERIFY2(stored[k] == expected[k], qPrintable(QStringLiteral("byte %1").arg(k)));
            return;
        }
        r.click("SAVE");
        QCOMPARE(r.dialogs.messages.size(), 1);
        QFETCH(QString, label);
        QVERIFY2(r.dialogs.messages.first().contains(QLatin1Char('"') + label + QLatin1Char('"')),
                 qPrintable(r.dialogs.messages.first()));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(edit));
        QFETCH(QString, corrected);
        edit->setText(corrected);
        QVERIFY(r.write());
        QCOMPARE(r.prompt(), ProgrammingRun::promptWritten());
        QCOMPARE(r.received.count("\nP"), 1); // the refused write sent nothing
    }

    // A Proteus-X peripheral on a network the list does not hold stays on it: shown as its own
    // item, written back unchanged, after an import too, while any listed network can still be
    // chosen. The networks file is left as it was.
    void unlistedNetworkKept() {
        sim::SimulatorOptions options;
        options.announce = 'K'; // the sample: Proteus-X on network 12
        WindowRig r(options, {}, networksWithout12());
        const QString networksPath = networksFilePath(r.programFolder.path());
        const QByteArray networksBefore = readAll(networksPath);
        QComboBox* network = r.w<QComboBox>(Ctl::cmbCodiceRete);
        const QStringList listed{QStringLiteral("00000 Non assegnata"),
                                 QStringLiteral("00077 Cantiere Nord")};
        const auto items = [network] {
            QStringList texts;
            for (int i = 0; i < network->count(); ++i)
                texts << network->itemText(i);
            return texts;
        };
        const auto storedNetwork = [&r] {
            return r.peripheral->image()[24] * 256 + r.peripheral->image()[25];
        };

        QVERIFY(r.read());
        QCOMPARE(items(), listed + QStringList{QStringLiteral("00012 (non in elenco)")});
        QCOMPARE(network->currentIndex(), 2);
        QVERIFY(r.write());
        QCOMPARE(storedNetwork(), 12);

        // Exported as shown; another network chosen and written; back again.
        QVERIFY(r.read());
        const QString file = r.programFolder.filePath(QStringLiteral("rete12.con"));
        r.dialogs.savePath = file;
        r.w<QPushButton>(Ctl::btnEsporta)->click();
        QCOMPARE(r.dialogs.messages, QStringList());
        network->setCurrentIndex(1);
        QVERIFY(r.write());
        QCOMPARE(storedNetwork(), 77);
        QVERIFY(r.read());
        QCOMPARE(items(), listed); // the unlisted item of the last peripheral is gone
        QCOMPARE(network->currentText(), QStringLiteral("00077 Cantiere Nord"));

        r.dialogs.openPath = file;
        r.w<QPushButton>(Ctl::btnImporta)->click();
        QCOMPARE(r.dialogs.messages, QStringList());
        QCOMPARE(network->currentText(), QStringLiteral("00012 (non in elenco)"));
        QVERIFY(r.write());
        QCOMPARE(storedNetwork(), 12);
        QCOMPARE(readAll(networksPath), networksBefore);
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
        r.w<QComboBox>(Ctl::cmbProtocollo)
            ->setCurrentIndex(2); // Sicep: inputs, states, path all change
        r.w<QCheckBox>(Ctl::chkCentralinaIntegrata)->click();
        r.click("END");
        QVERIFY(r.read());
        r.received.clear();
        // Peripheral 1 holds the same code in the same network: the installer goes on.
        r.dialogs.answer = true;
        QVERIFY(r.write());
        QCOMPARE(r.dialogs.questions.size(), 1);
        QVERIFY(r.dialogs.questions.first().startsWith(QStringLiteral("La periferica 11111111")));
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
