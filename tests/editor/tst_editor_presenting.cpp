#include "common/test_files.h"
#include "core/files/config_file.h"
#include "editor/model_rig.h"

using namespace selvana;
using namespace selvana::testing;
using editor::Array;

namespace {

// Byte 15 with protocol code p and the sample's flags (multiple tx, high tones).
int options(int protocol) {
    return protocol | 0x60;
}

// Another VHF configuration: network 77, code 4321, siren 90 s, serial 0000BEEF.
Image otherVhf() {
    return with(sampleProteusX(), {{1, 0x00},
                                   {2, 0x00},
                                   {3, 0xBE},
                                   {4, 0xEF},
                                   {24, 0x00},
                                   {25, 77},
                                   {26, 0x10},
                                   {27, 0xE1},
                                   {45, 90}});
}

conf::ConfigFile fileOf(char firmware, char band, const Image& image) {
    return *conf::parse(configBytes(firmware, band, image));
}

// Every control's whole state, to compare two editors.
QStringList editorState(const editor::EditorModel& model) {
    QStringList out;
    for (const editor::ControlInfo& info : editor::controlInfos()) {
        const editor::ControlState& c = model.control(info.id);
        out << QStringLiteral("%1 '%2' [%3] %4 %5%6%7 %8")
                   .arg(QLatin1String(info.name), c.text, c.items.join(QLatin1Char('|')))
                   .arg(c.position)
                   .arg(c.checked)
                   .arg(c.enabled)
                   .arg(c.visible)
                   .arg(c.foreColour);
    }
    return out;
}

} // namespace

class TestEditorPresenting : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(kItalian); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void presentsEveryField() {
        ModelRig r;
        QVERIFY(r.read(sampleProteusX()));
        QVERIFY(r.visible(Ctl::Frame11));
        QCOMPARE(r.text(Ctl::lblSerialNumber), QStringLiteral("1234ABCD"));
        QVERIFY(r.visible(Ctl::lblSerialNumber));
        QVERIFY(!r.visible(Ctl::txtSerialNumber));
        QCOMPARE(r.text(Ctl::txtFrequenzaTX), QStringLiteral("156,0000"));
        QCOMPARE(r.text(Ctl::lblVHFUHV), QStringLiteral("VHF"));
        QCOMPARE(r.text(Ctl::txtTempoAggancio), QStringLiteral("2,5"));
        QCOMPARE(r.text(Ctl::txtCodicePeriferica), QStringLiteral("300"));
        QCOMPARE(r.current(Ctl::cmbProtocollo), QStringLiteral("Proteus-X"));
        QCOMPARE(r.current(Ctl::cmbTonoSubAudio), QStringLiteral("79.7"));
        QCOMPARE(r.current(Ctl::cmbNumTentativiTX), QStringLiteral("3"));
        QCOMPARE(r.current(Ctl::cmbViaTX), QStringLiteral("REP"));
        QCOMPARE(r.text(Ctl::txtCodiceRep), QStringLiteral("7"));
        QCOMPARE(r.text(Ctl::lblCodRep), QStringLiteral("Codice REP"));
        QVERIFY(r.checked(Ctl::chkDoppioSalto));
        QCOMPARE(r.text(Ctl::lblToni), QStringLiteral("Alti"));
        QVERIFY(r.checked(Ctl::optPotenzaRF_10));
        QVERIFY(r.checked(Ctl::optNumIngressi_4));
        QVERIFY(r.checked(Ctl::chkCentralinaIntegrata));
        QCOMPARE(r.text(Ctl::txtTempoIngresso), QStringLiteral("10"));
        QCOMPARE(r.text(Ctl::txtTempoUscita), QStringLiteral("20"));
        QCOMPARE(r.text(Ctl::txtTempoSirena), QStringLiteral("30"));
        QCOMPARE(r.text(Ctl::txtCadenzaSopravvivenza), QStringLiteral("24"));
        QCOMPARE(r.text(Ctl::txtTempoCampionamentoMancanzaAC), QStringLiteral("5"));
        QVERIFY(r.checked(Ctl::chkSync));
        QVERIFY(r.checked(Ctl::chkDoppioMesaggio));
        QVERIFY(r.checked(Ctl::optAllarmi));
        QCOMPARE(r.text(Ctl::txtOffsetSicep1), QStringLiteral("200"));
        QCOMPARE(r.text(Ctl::txtOffsetSicepHex01), QStringLiteral("C8"));
        QCOMPARE(r.text(Ctl::txtOffsetSicep2), QStringLiteral("5"));
        QCOMPARE(r.text(Ctl::txtOffsetSicepHex02), QStringLiteral("05"));
        QCOMPARE(r.selectedMember(Array::SpontaneaIngresso), 5);
        QVERIFY(r.model.saveEnabled());
        QVERIFY(!r.model.focusRequest()); // nothing to correct
    }

    // The design-time editor before any read: what the window shows under its cover panel.
    void designState() {
        ModelRig r;
        QCOMPARE(r.text(Ctl::txtSerialNumber), QStringLiteral("Text1"));
        QVERIFY(r.visible(Ctl::txtSerialNumber));
        QVERIFY(!r.visible(Ctl::lblSerialNumber));
        QVERIFY(!r.visible(Ctl::Frame11));
        QVERIFY(!r.enabled(Ctl::txtOffsetSicepHex01) && !r.enabled(Ctl::txtOffsetSicepHex02));
        QCOMPARE(r.text(Ctl::lblCodRep), QStringLiteral("Codice REP"));
        QCOMPARE(r.text(Ctl::lblIngressiCondiz), QStringLiteral("Ingressi condizionati:"));
        QCOMPARE(r.text(Ctl::Frame4), QStringLiteral("Parametri Generali"));
        QCOMPARE(r.text(Ctl::chkSpontaneaACOff), QStringLiteral("Spontanea su mancanza rete"));
        QCOMPARE(r.text(Ctl::ckMaskIngressi_7), QStringLiteral("8"));
        QCOMPARE(r.text(Ctl::optNumIngressi_6), QStringLiteral("6"));
        QCOMPARE(r.text(Ctl::optStati), QStringLiteral("Invia Stati"));
        QVERIFY(r[Ctl::cmbProtocollo].items.isEmpty()); // filled by the first read
        QVERIFY(r.model.takeChanged().empty());
        QVERIFY(!r.model.saveEnabled());
        r.model.fillCombos();
        QCOMPARE(r[Ctl::cmbProtocollo].items.size(), 5);
        QCOMPARE(r.position(Ctl::cmbProtocollo), -1);
        QCOMPARE(r.saveDecisions, QList<bool>{}); // filling runs no rule
    }

    void maskShowsInvertedBits() {
        ModelRig r;
        r.read(sampleProteusX()); // byte 22 = 0xFE: only input 1 conditioned
        for (Ctl box : editor::membersOf(Array::MaskIngressi)) {
            QCOMPARE(r.checked(box), box == Ctl::ckMaskIngressi_0);
            QVERIFY(r.visible(box));
        }
        QVERIFY(r.visible(Ctl::lblIngressiCondiz));
        r.read(sampleProteusX(), 0); // before M6: hidden
        QVERIFY(!r.visible(Ctl::lblIngressiCondiz));
        for (Ctl box : editor::membersOf(Array::MaskIngressi))
            QVERIFY(!r.visible(box));
    }

    // A number of inputs the editor does not offer keeps the button the protocol rule chose,
    // and the record's value is written back untouched.
    void unofferedInputCount_data() {
        QTest::addColumn<int>("protocol");
        QTest::newRow("Proteus") << 0;
        QTest::newRow("Proteus-X") << 1;
    }
    void unofferedInputCount() {
        QFETCH(int, protocol);
        ModelRig r;
        r.read(with(sampleProteusX(), {{15, options(protocol)}, {28, 3}}));
        QVERIFY(r.checked(Ctl::optNumIngressi_4));
        QCOMPARE(r.session.record.NumIngressi, 3);
        QCOMPARE(r.written()[28], 3);
    }

    void transmissionPath_data() {
        QTest::addColumn<int>("byte15");
        QTest::addColumn<int>("byte16");
        QTest::addColumn<int>("byte17");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("doubleHopEnabled");
        struct Row {
            const char* name;
            int byte15, byte16, byte17;
            const char* path;
            const char* number;
            const char* caption;
            bool doubleHopEnabled;
        };
        const Row rows[] = {
            {"bidirectional with CodiceRep 7 shows IngressoBidi", 0x11, 7, 0xFF, "Bidirezionale",
             "1", "Ingresso BIDI", true},
            {"bidirectional input 3", 0x11, 3, 0xFE, "Bidirezionale", "3", "Ingresso BIDI", true},
            {"repeater 9", 0x01, 9, 0xFF, "REP", "9", "Codice REP", true},
            {"direct", 0x41, 5, 0x00, "Diretta", "", "", false},
        };
        for (const Row& row : rows)
            QTest::newRow(row.name) << row.byte15 << row.byte16 << row.byte17 << row.path
                                    << row.number << row.caption << row.doubleHopEnabled;
    }
    void transmissionPath() {
        QFETCH(int, byte15);
        QFETCH(int, byte16);
        QFETCH(int, byte17);
        QFETCH(QString, path);
        ModelRig r;
        r.read(with(sampleProteusX(), {{15, byte15}, {16, byte16}, {17, byte17}}));
        QCOMPARE(r.current(Ctl::cmbViaTX), path);
        QTEST(r.text(Ctl::txtCodiceRep), "number");
        QTEST(r.text(Ctl::lblCodRep), "caption");
        QTEST(r.enabled(Ctl::chkDoppioSalto), "doubleHopEnabled");
        if (path == QLatin1String("Diretta")) {
            QVERIFY(!r.enabled(Ctl::txtCodiceRep));
            QVERIFY(!r.checked(Ctl::chkDoppioSalto));
            QCOMPARE(r.text(Ctl::lblToni), QStringLiteral("Alti"));
        }
    }

    // Any protocol but Proteus-X has the network list disabled. As on the first read after
    // start, whose start-up record already shows "Proteus", a Proteus peripheral keeps the
    // network it holds; the others go through the protocol rule, which empties the list.
    void readWithoutNetwork_data() {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("position");
        QTest::newRow("Proteus") << 0 << 1;
        QTest::newRow("Sicep") << 2 << -1;
        QTest::newRow("UPR") << 3 << -1;
        QTest::newRow("UPR-52") << 5 << -1;
    }
    void readWithoutNetwork() {
        QFETCH(int, protocol);
        QFETCH(int, position);
        ModelRig r;
        r.session.networkList[1] = "00012Nord";
        r.read(with(sampleProteusX(), {{15, options(protocol)}, {24, 0}, {25, 12}, {26, 3}}));
        QVERIFY(!r.enabled(Ctl::cmbCodiceRete));
        QCOMPARE(r.position(Ctl::cmbCodiceRete), position);
        QCOMPARE(int(r.written()[25]), position < 0 ? 0 : 12);
    }

    // A read that cannot be written as it is: the code shows red, "SAVE" is off and the code
    // box asks for the focus; correcting the code is enough.
    void unwritableCodeAfterRead_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("code");
        QTest::newRow("Proteus 2000")
            << with(sampleProteusX(), {{15, 0x60}, {26, 0x07}, {27, 0xD0}}) << "2000";
        QTest::newRow("UPR 10000")
            << with(sampleProteusX(), {{15, 0x63}, {26, 0x27}, {27, 0x10}}) << "10000";
        QTest::newRow("Proteus-X 0") << with(sampleProteusX(), {{26, 0}, {27, 0}}) << "0";
        QTest::newRow("Sicep nibble above 9") << with(sampleSicep(), {{26, 0x1A}}) << "0";
        QTest::newRow("Sicep low nibble above 9") << with(sampleSicep(), {{27, 0x3F}}) << "0";
        QTest::newRow("plain code from 0x8000")
            << with(sampleProteusX(), {{26, 0x80}, {27, 0x01}}) << "0";
    }
    void unwritableCodeAfterRead() {
        QFETCH(Image, image);
        ModelRig r;
        QVERIFY(r.read(sampleProteusX()));
        QVERIFY(!r.read(image));
        QTEST(r.text(Ctl::txtCodicePeriferica), "code");
        QCOMPARE(r.colour(Ctl::txtCodicePeriferica), editor::kRed);
        QVERIFY(!r.model.saveEnabled());
        QCOMPARE(r.model.focusRequest(), Ctl::txtCodicePeriferica);
        QCOMPARE(r.focus, Ctl::txtCodicePeriferica);

        r.type(Ctl::txtCodicePeriferica, QStringLiteral("321"));
        QCOMPARE(r.colour(Ctl::txtCodicePeriferica), editor::kBlack);
        QVERIFY(r.model.saveEnabled());
        QVERIFY(r.model.writable());
    }

    // The same peripheral gives the same editor and the same bytes whatever came before it.
    void historyDoesNotLeak_data() {
        QTest::addColumn<Image>("before");
        QTest::addColumn<int>("firmwareBefore");
        QTest::addColumn<Image>("peripheral");
        QTest::addColumn<int>("firmware");
        QTest::addColumn<int>("byte"); // one byte the sound result is known for
        QTest::addColumn<int>("value");
        // Proteus-X with 1 input (not conditioned) after a Sicep one keeps its 1 input.
        QTest::newRow("inputs after Sicep")
            << sampleSicep() << 1 << with(sampleProteusX(), {{28, 1}, {22, 0xFF}}) << 1 << 28 << 1;
        // Sicep holding alarms after a UPR one sending states is written with states.
        QTest::newRow("alarms after states")
            << with(sampleProteusX(), {{15, 0x0B}, {17, 0}}) << 1
            << with(sampleSicep(), {{15, 0x42}}) << 1 << 15 << 0x4A;
        // Firmware before M6 after an M6 one with conditioned inputs: no input conditioned.
        QTest::newRow("masks after M6") << with(sampleProteusX(), {{22, 0x0F}, {23, 0xF0}}) << 1
                                        << sampleProteusX() << 0 << 22 << 0xFF;
        QTest::newRow("mains input kept by byte 38 = 0")
            << with(sampleProteusX(), {{38, 0x80}}) << 1 << with(sampleProteusX(), {{38, 0}}) << 1
            << 38 << 0;
        QTest::newRow("unlisted network after a listed one")
            << with(sampleProteusX(), {{25, 5}}) << 1 << with(sampleProteusX(), {{25, 77}}) << 1
            << 25 << 77;
    }
    void historyDoesNotLeak() {
        QFETCH(Image, before);
        QFETCH(int, firmwareBefore);
        QFETCH(Image, peripheral);
        QFETCH(int, firmware);
        ModelRig fresh;
        fresh.session.networkList[1] = "00005Sud";
        fresh.read(peripheral, firmware);
        const Image first = fresh.written();

        ModelRig r;
        r.session.networkList[1] = "00005Sud";
        r.read(before, firmwareBefore);
        r.click(Ctl::chkTrasmissioniMultiple); // edits, then a write of the other peripheral
        r.type(Ctl::txtTempoAggancio, QStringLiteral("7"));
        r.click(Ctl::chkCentralinaIntegrata);
        r.written();
        r.read(peripheral, firmware);
        QCOMPARE(editorState(r.model), editorState(fresh.model));
        const Image again = r.written();
        for (int k = 1; k <= 64; ++k)
            QVERIFY2(again[k] == first[k], qPrintable(QStringLiteral("byte %1: %2 instead of %3")
                                                          .arg(k)
                                                          .arg(again[k], 2, 16)
                                                          .arg(first[k], 2, 16)));
        QFETCH(int, byte);
        QTEST(int(again[byte]), "value");
        QCOMPARE(r.checked(Ctl::chkSpontaneaACOff), peripheral[38] != 0);
    }

    // What the view learns: the controls that changed, each once, and nothing when nothing did.
    void changesAreReported() {
        ModelRig r;
        r.read(sampleProteusX());
        const std::vector<Ctl> changed = r.model.takeChanged();
        QVERIFY(std::find(changed.begin(), changed.end(), Ctl::txtTempoSirena) != changed.end());
        QVERIFY(std::is_sorted(changed.begin(), changed.end()));
        QVERIFY(std::adjacent_find(changed.begin(), changed.end()) == changed.end());
        QVERIFY(r.model.takeChanged().empty());
        r.read(sampleProteusX()); // the same again: every control ends as it was
        r.model.takeChanged();
        r.model.edit(Ctl::txtTempoSirena, QStringLiteral("30"));
        QVERIFY(r.model.takeChanged().empty());
        r.model.edit(Ctl::txtTempoSirena, QStringLiteral("31"));
        QCOMPARE(r.model.takeChanged(), std::vector<Ctl>{Ctl::txtTempoSirena});
    }

    // ---- after an import ----

    // Export, then import into another peripheral: its serial number stays, the rest is the file.
    void importKeepsTheSerialNumber() {
        ModelRig r;
        r.read(sampleProteusX());
        r.type(Ctl::txtTempoSirena, QStringLiteral("33"));
        const Image exported = r.written();
        const conf::ConfigFile file = fileOf('K', 'V', exported);

        r.read(otherVhf());
        r.saveDecisions.clear();
        const editor::ImportOutcome outcome = r.model.importConfiguration(file);
        QVERIFY(!outcome.refusal);
        QVERIFY(outcome.writable);
        QCOMPARE(r.session.ConfigImage[4], otherVhf()[4]);
        QCOMPARE(r.session.record.SerialNumber, QStringLiteral("0000BEEF"));
        QVERIFY(std::equal(r.session.ConfigImage.begin() + 5, r.session.ConfigImage.end(),
                           exported.begin() + 5));
        QCOMPARE(r.session.record.TempoSirena, 33);
        QCOMPARE(r.text(Ctl::txtTempoSirena), QStringLiteral("33"));
        QCOMPARE(r.text(Ctl::lblSerialNumber), QStringLiteral("0000BEEF"));
        QCOMPARE(r.session.record.CodicePeriferica, 300);
        QCOMPARE(r.saveDecisions.last(), true);
    }

    void importRefused_data() {
        QTest::addColumn<char>("firmware");
        QTest::addColumn<char>("band");
        QTest::addColumn<int>("programFirmware");
        QTest::addColumn<QString>("message");
        QTest::newRow("W file, M6 program") << 'W' << 'V' << 1
                                            << "Attenzione: file di configurazione adatto per "
                                               "versioni firmware precedenti alla M6 !";
        QTest::newRow("K file, program before M6")
            << 'K' << 'V' << 0
            << "Attenzione: file di configurazione adatto per versioni firmware M6 e successive!";
        QTest::newRow("U file, VHF editor")
            << 'K' << 'U' << 1 << "Attenzione: file di configurazione non adatto per Radio VHF !";
        QTest::newRow("both differ: firmware first")
            << 'W' << 'U' << 1
            << "Attenzione: file di configurazione adatto per versioni firmware precedenti alla M6 "
               "!";
    }
    void importRefused() {
        QFETCH(char, firmware);
        QFETCH(char, band);
        QFETCH(int, programFirmware);
        ModelRig r;
        r.read(otherVhf(), programFirmware);
        const Image configImage = r.session.ConfigImage;
        const ConfigRecord record = r.session.record;
        const QStringList shown = editorState(r.model);
        const editor::ImportOutcome outcome =
            r.model.importConfiguration(fileOf(firmware, band, sampleProteusX()));
        QVERIFY(outcome.refusal);
        QTEST(*outcome.refusal, "message");
        QVERIFY(r.session.ConfigImage == configImage);
        QVERIFY(r.session.record == record);
        QCOMPARE(editorState(r.model), shown);
    }

    // A code the protocol does not allow is shown, but cannot be written.
    void importedInvalidCodeKeepsSaveOff() {
        ModelRig r;
        r.read(otherVhf());
        const editor::ImportOutcome outcome = r.model.importConfiguration(
            fileOf('K', 'V', with(sampleProteusX(), {{26, 0}, {27, 0}})));
        QVERIFY(!outcome.refusal);
        QVERIFY(!outcome.writable);
        QCOMPARE(r.session.record.CodicePeriferica, 0);
        QVERIFY(!r.model.saveEnabled());
        QCOMPARE(r.colour(Ctl::txtCodicePeriferica), editor::kRed);
    }
};

QTEST_APPLESS_MAIN(TestEditorPresenting)
#include "tst_editor_presenting.moc"
