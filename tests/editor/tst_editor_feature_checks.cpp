#include "editor/model_rig.h"

using namespace selvana;
using namespace selvana::testing;
using editor::Array;

class TestEditorFeatureChecks : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(kItalian); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // Which inputs may report a mains failure, and which one ends selected and is written.
    // With firmware M6 and the panel, a conditioned input cannot, and when every input the
    // peripheral has (1 to NumIngressi) is conditioned none can: the write is refused then.
    void mainsFailureInputs_data() {
        QTest::addColumn<int>("firmware");
        QTest::addColumn<bool>("panel");
        QTest::addColumn<int>("inputs");       // byte 28
        QTest::addColumn<int>("maskInverted"); // byte 22
        QTest::addColumn<int>("byte38");
        QTest::addColumn<QString>("enabled");
        QTest::addColumn<int>("selected");
        QTest::newRow("M6, inputs 2 and 5 conditioned, record 5")
            << 1 << true << 4 << 0xED << 0x10 << "134678" << 1;
        QTest::newRow("before M6, record 3") << 0 << true << 4 << 0xFF << 0x04 << "1456" << 1;
        QTest::newRow("before M6 without panel, record 3")
            << 0 << false << 4 << 0xFF << 0x04 << "12345678" << 3;
        QTest::newRow("before M6, masks not shown do not count")
            << 0 << true << 4 << 0x00 << 0x20 << "1456" << 6;
        QTest::newRow("M6 without panel ignores masks")
            << 1 << false << 4 << 0x00 << 0x80 << "12345678" << 8;
        QTest::newRow("M6, input 1 conditioned too: lowest free input")
            << 1 << true << 4 << 0xEC << 0x10 << "34678" << 3;
        QTest::newRow("M6, a free input above the inputs stays selectable")
            << 1 << true << 2 << 0xFE << 0x10 << "2345678" << 5;
        QTest::newRow("M6, fallback within the inputs")
            << 1 << true << 2 << 0xEE << 0x10 << "234678" << 2;
        QTest::newRow("M6, every input conditioned: none")
            << 1 << true << 4 << 0x00 << 0x01 << "" << 0;
        QTest::newRow("M6, the peripheral's inputs conditioned, others free: none")
            << 1 << true << 2 << 0xFC << 0x10 << "" << 0;
        QTest::newRow("M6, one input, conditioned: none")
            << 1 << true << 1 << 0xFE << 0x10 << "" << 0;
        QTest::newRow("M6, inputs 1 and 2 conditioned: input 3 for input 2")
            << 1 << true << 4 << 0xFC << 0x02 << "345678" << 3;
        QTest::newRow("M6, inputs 1 to 3 of 4: input 4 left")
            << 1 << true << 4 << 0xF8 << 0x01 << "45678" << 4;
        QTest::newRow("M6, inputs 1 to 4 of 4: none") << 1 << true << 4 << 0xF0 << 0x01 << "" << 0;
        QTest::newRow("M6, every input of 8: none") << 1 << true << 8 << 0x00 << 0x01 << "" << 0;
        QTest::newRow("M6, inputs 1 to 4 of 8: input 5")
            << 1 << true << 8 << 0xF0 << 0x01 << "5678" << 5;
        // A number of inputs outside 1..8 tells nothing: all eight count.
        QTest::newRow("M6, no number of inputs counts 8")
            << 1 << true << 0 << 0xF0 << 0x01 << "5678" << 5;
        QTest::newRow("M6, 12 inputs count 8") << 1 << true << 12 << 0xF0 << 0x01 << "5678" << 5;
        QTest::newRow("M6, 3 inputs, inputs 1 to 3 conditioned: none")
            << 1 << true << 3 << 0xF8 << 0x01 << "" << 0;
    }
    void mainsFailureInputs() {
        QFETCH(int, firmware);
        QFETCH(bool, panel);
        QFETCH(int, inputs);
        QFETCH(int, maskInverted);
        QFETCH(int, byte38);
        QFETCH(int, selected);
        ModelRig r;
        r.read(with(sampleProteusX(),
                    {{37, panel ? 1 : 0}, {28, inputs}, {22, maskInverted}, {38, byte38}}),
               firmware);
        QTEST(r.enabledMembers(Array::SpontaneaIngresso), "enabled");
        QCOMPARE(r.selectedMember(Array::SpontaneaIngresso), selected);
        if (selected) {
            QCOMPARE(int(r.session.record.SpontaneaIngresso), 1 << (selected - 1));
            QCOMPARE(int(r.written()[38]), 1 << (selected - 1));
        } else {
            const Image saveImage = r.session.SaveImage;
            const auto error = r.model.collect();
            QVERIFY(error);
            QCOMPARE(error->control, QStringLiteral("chkSpontaneaACOff"));
            QVERIFY(r.session.SaveImage == saveImage);
        }
    }

    // Nothing to report on: the installer is told why and what to do, and either remedy works.
    void everyInputConditioned() {
        ModelRig r;
        r.read(with(sampleProteusX(), {{22, 0x00}, {23, 0xFF}}));
        const auto error = r.model.collect();
        QVERIFY(error);
        QCOMPARE(error->control, QStringLiteral("chkSpontaneaACOff"));
        QCOMPARE(error->label, QStringLiteral("Spontanea su mancanza rete"));
        QCOMPARE(error->message,
                 QStringLiteral("Con \"Spontanea su mancanza rete\" la mancanza rete è segnalata "
                                "su un ingresso non condizionato della periferica, ma tutti i suoi "
                                "ingressi sono condizionati. Togliere il condizionamento da un "
                                "ingresso oppure togliere la spunta da \"Spontanea su mancanza "
                                "rete\", poi ripetere l'operazione."));

        QVERIFY(r.click(Ctl::ckMaskIngressi_2)); // input 3 no longer conditioned
        QCOMPARE(r.enabledMembers(Array::SpontaneaIngresso), QStringLiteral("3"));
        QCOMPARE(r.selectedMember(Array::SpontaneaIngresso), 3); // in place of the record's 5
        QCOMPARE(int(r.written()[38]), 4);

        QVERIFY(r.click(Ctl::ckMaskIngressi_2)); // conditioned again: nothing selectable
        QCOMPARE(r.enabledMembers(Array::SpontaneaIngresso), QString());
        QCOMPARE(r.selectedMember(Array::SpontaneaIngresso), 0);
        QVERIFY(r.model.collect());
        QVERIFY(r.click(Ctl::chkSpontaneaACOff)); // or the feature off
        const Image out = r.written();
        QCOMPARE(out[38], 0);
        QCOMPARE(out[22], 0x00);
    }

    // The mains failure goes to an input the peripheral has that is not conditioned, or to
    // none, and nothing is written then.
    void mainsInputOfTheInputsThereAre_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("enabled");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("written"); // byte 38; -1: refused
        const Image p = sampleProteusX(); // M6, panel, 4 inputs
        QTest::newRow("UPR, every input conditioned, input 8 read")
            << with(p, {{15, 0x63}, {22, 0x00}, {23, 0xFF}, {38, 0x80}}) << "" << 0 << -1;
        QTest::newRow("inputs 1 to 4 of 4 conditioned")
            << with(p, {{22, 0xF0}, {23, 0x0F}, {38, 0x80}}) << "" << 0 << -1;
        QTest::newRow("input 4 free, conditioned input 1 read")
            << with(p, {{22, 0xF8}, {23, 0x07}, {38, 0x01}}) << "45678" << 4 << 0x08;
        QTest::newRow("input 4 free, free input 8 read stays")
            << with(p, {{22, 0xF8}, {23, 0x07}, {38, 0x80}}) << "45678" << 8 << 0x80;
        QTest::newRow("8 inputs, inputs 1 to 4 conditioned")
            << with(p, {{28, 8}, {22, 0xF0}, {23, 0x0F}, {38, 0x01}}) << "5678" << 5 << 0x10;
        QTest::newRow("without the panel, masks do not count")
            << with(p, {{37, 0}, {22, 0x00}, {23, 0xFF}, {38, 0x80}}) << "12345678" << 8 << 0x80;
    }
    void mainsInputOfTheInputsThereAre() {
        QFETCH(Image, image);
        QFETCH(int, selected);
        QFETCH(int, written);
        ModelRig r;
        r.read(image);
        QTEST(r.enabledMembers(Array::SpontaneaIngresso), "enabled");
        QCOMPARE(r.selectedMember(Array::SpontaneaIngresso), selected);
        if (written >= 0) {
            QCOMPARE(int(r.written()[38]), written);
            return;
        }
        const ConfigRecord before = r.session.record;
        const Image saveBefore = r.session.SaveImage;
        const auto error = r.model.collect();
        QVERIFY(error);
        QCOMPARE(error->control, QStringLiteral("chkSpontaneaACOff"));
        QVERIFY(r.session.SaveImage == saveBefore);
        QCOMPARE(r.session.record.SpontaneaIngresso, before.SpontaneaIngresso);
    }

    // Either way out of it: an input freed of its conditioning carries the report (the one
    // read, input 1, is still conditioned), or the transmission is switched off; more inputs
    // free those beyond the conditioned ones, and fewer take them away again.
    void mainsInputWithEveryInputConditionedCanBeMended_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("written"); // byte 38
        QTest::newRow("input 2 freed") << "ckMaskIngressi_1" << 0x02;
        QTest::newRow("mains failure off") << "chkSpontaneaACOff" << 0x00;
        QTest::newRow("8 inputs") << "optNumIngressi_8" << 0x10;
    }
    void mainsInputWithEveryInputConditionedCanBeMended() {
        ModelRig r;
        r.read(with(sampleProteusX(), {{22, 0xF0}, {23, 0x0F}, {38, 0x01}}));
        QVERIFY(r.model.collect());
        QFETCH(QString, action);
        QVERIFY(r.click(*editor::controlNamed(action)));
        QTEST(int(r.written()[38]), "written");
        if (action == QLatin1String("optNumIngressi_8")) {
            QCOMPARE(r.selectedMember(Array::SpontaneaIngresso), 5);
            QVERIFY(r.click(Ctl::optNumIngressi_4));
            QCOMPARE(r.enabledMembers(Array::SpontaneaIngresso), QString());
            QCOMPARE(r.selectedMember(Array::SpontaneaIngresso), 0);
            QVERIFY(r.model.collect());
        }
    }

    // Without the panel the masks do not decide; ticking the panel applies them at once.
    void panelAppliesTheConditioning() {
        ModelRig r;
        r.read(with(sampleProteusX(), {{37, 0}, {22, 0xEF}})); // input 5 conditioned, record 5
        QCOMPARE(r.selectedMember(Array::SpontaneaIngresso), 5);
        QVERIFY(!r.enabled(Ctl::ckMaskIngressi_0));
        QVERIFY(!r.visible(Ctl::txtTempoSirena));
        QVERIFY(r.click(Ctl::chkCentralinaIntegrata));
        QVERIFY(r.enabled(Ctl::ckMaskIngressi_0));
        QVERIFY(r.visible(Ctl::txtTempoSirena));
        QCOMPARE(r.enabledMembers(Array::SpontaneaIngresso), QStringLiteral("1234678"));
        QCOMPARE(r.selectedMember(Array::SpontaneaIngresso), 1);
        QCOMPARE(r.session.record.SpontaneaIngresso, 1);
        QVERIFY(r.click(Ctl::chkCentralinaIntegrata)); // off: every input again, choice kept
        QCOMPARE(r.enabledMembers(Array::SpontaneaIngresso), QStringLiteral("12345678"));
        QCOMPARE(r.selectedMember(Array::SpontaneaIngresso), 1);
        QVERIFY(r.checked(Ctl::ckMaskIngressi_4)); // disabled, kept
        QVERIFY(!r.enabled(Ctl::ckMaskIngressi_4));
    }

    void conditioningAnInputMovesTheMainsInput() {
        ModelRig r;
        r.read(sampleProteusX()); // M6, panel, mains input 5
        QVERIFY(r.click(Ctl::ckMaskIngressi_4));
        QVERIFY(!r.enabled(Ctl::optSpontaneaIngresso_5));
        // input 1 is conditioned in the sample, so the lowest free input takes over
        QCOMPARE(r.selectedMember(Array::SpontaneaIngresso), 2);
        QCOMPARE(r.session.record.SpontaneaIngresso, 2);
        QCOMPARE(r.written()[23], 0x11);
        QCOMPARE(r.written()[22], 0xEE);
    }

    void mainsFailureCleared() {
        ModelRig r;
        r.read(sampleProteusX());
        QVERIFY(r.click(Ctl::chkSpontaneaACOff));
        QVERIFY(r.text(Ctl::txtTempoCampionamentoMancanzaAC).isEmpty());
        QVERIFY(!r.enabled(Ctl::txtTempoCampionamentoMancanzaAC));
        QCOMPARE(r.enabledMembers(Array::SpontaneaIngresso), QString());
        QCOMPARE(r.selectedMember(Array::SpontaneaIngresso), 0);
        QCOMPARE(r.session.record.SpontaneaIngresso, 16);
        QVERIFY(r.click(Ctl::chkSpontaneaACOff)); // on again: the record's time and input
        QCOMPARE(r.text(Ctl::txtTempoCampionamentoMancanzaAC), QStringLiteral("5"));
        QCOMPARE(r.selectedMember(Array::SpontaneaIngresso), 5);
        QVERIFY(r.click(Ctl::chkSpontaneaACOff));
        const Image out = r.written();
        QCOMPARE(out[38], 0);
        QCOMPARE(out[39], 0);
        QCOMPARE(out[40], 0);
        QCOMPARE(r.session.record.SpontaneaIngresso, 0); // a write clears it with the feature
    }

    // The tone label follows the path and double hop.
    void tones_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("doubleHop");
        QTest::addColumn<QString>("tones");
        QTest::newRow("REP, double hop") << "REP" << true << "Alti";
        QTest::newRow("REP, none") << "REP" << false << "Bassi";
        QTest::newRow("Bidirezionale, double hop") << "Bidirezionale" << true << "Alti";
        QTest::newRow("Bidirezionale, none") << "Bidirezionale" << false << "Bassi";
        QTest::newRow("Diretta") << "Diretta" << false << "Alti";
    }
    void tones() {
        QFETCH(QString, path);
        QFETCH(bool, doubleHop);
        ModelRig r;
        r.read(sampleProteusX()); // REP with double hop
        QVERIFY(r.choose(Ctl::cmbViaTX, path) || path == QLatin1String("REP"));
        if (r.enabled(Ctl::chkDoppioSalto) && r.checked(Ctl::chkDoppioSalto) != doubleHop)
            QVERIFY(r.click(Ctl::chkDoppioSalto));
        QTEST(r.text(Ctl::lblToni), "tones");
        QCOMPARE(r.session.record.ToniAlti, r.text(Ctl::lblToni) == QLatin1String("Alti"));
        QCOMPARE(bool(r.written()[15] & 0x40), r.text(Ctl::lblToni) == QLatin1String("Alti"));
    }

    void multipleTransmissions() {
        ModelRig r;
        r.read(with(sampleProteusX(), {{20, 5}, {21, 5}}));
        QCOMPARE(r.current(Ctl::cmbNumTentativiTX), QStringLiteral("5"));
        QVERIFY(r.click(Ctl::chkTrasmissioniMultiple));
        QCOMPARE(r.current(Ctl::cmbNumTentativiTX), QStringLiteral("1"));
        QVERIFY(!r.enabled(Ctl::cmbNumTentativiTX));
        QVERIFY(!r.checked(Ctl::chkDoppioMesaggio));
        QVERIFY(!r.enabled(Ctl::chkDoppioMesaggio));
        Image out = r.written();
        QCOMPARE(out[15] & 0x20, 0);
        QCOMPARE(out[20], 1);
        QCOMPARE(out[41], 0);
        QVERIFY(r.click(Ctl::chkTrasmissioniMultiple));
        QCOMPARE(r.current(Ctl::cmbNumTentativiTX), QStringLiteral("1"));
        QVERIFY(r.enabled(Ctl::cmbNumTentativiTX));
        QVERIFY(!r.checked(Ctl::chkDoppioMesaggio));
        QVERIFY(r.enabled(Ctl::chkDoppioMesaggio));
        QVERIFY(r.choose(Ctl::cmbNumTentativiTX, QStringLiteral("3")));
        QVERIFY(r.click(Ctl::chkDoppioMesaggio));
        out = r.written();
        QCOMPARE(out[20], 3);
        QCOMPARE(out[21], 3);
        QCOMPARE(out[41], 1);
    }

    // Turning a feature on again reloads its values from the record, not from the typing.
    void reloadsFromRecordNotFromTyping() {
        ModelRig r;
        r.read(sampleProteusX());
        QVERIFY(r.click(Ctl::chkInvioSopravvivenza));
        QCOMPARE(r.text(Ctl::txtCadenzaSopravvivenza), QStringLiteral("0"));
        r.type(Ctl::txtCadenzaSopravvivenza, QStringLiteral("12"));
        QVERIFY(r.click(Ctl::chkInvioSopravvivenza));
        QCOMPARE(r.text(Ctl::txtCadenzaSopravvivenza), QStringLiteral("24"));
        QVERIFY(r.click(Ctl::chkInvioSopravvivenza));
        QCOMPARE(r.written()[35], 0xFF);
        QCOMPARE(r.written()[36], 0xFF);

        r.type(Ctl::txtTempoIngresso, QStringLiteral("99"));
        QVERIFY(r.click(Ctl::chkCentralinaIntegrata));
        QVERIFY(!r.visible(Ctl::txtTempoIngresso));
        QVERIFY(!r.enabled(Ctl::ckMaskIngressi_3));
        QVERIFY(r.click(Ctl::chkCentralinaIntegrata));
        QCOMPARE(r.text(Ctl::txtTempoIngresso), QStringLiteral("10"));
        QVERIFY(r.visible(Ctl::txtTempoIngresso));

        r.type(Ctl::txtTempoCampionamentoMancanzaAC, QStringLiteral("9"));
        QVERIFY(r.click(Ctl::ckMaskIngressi_7)); // a mask click runs the mains check again
        QCOMPARE(r.text(Ctl::txtTempoCampionamentoMancanzaAC), QStringLiteral("5"));
    }

    // The option rules keep their record fields.
    void optionsSetTheRecord_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("value");
        QTest::newRow("1 input") << int(Ctl::optNumIngressi_1) << "NumIngressi" << 1;
        QTest::newRow("8 inputs") << int(Ctl::optNumIngressi_8) << "NumIngressi" << 8;
        QTest::newRow("states") << int(Ctl::optStati) << "InviaStati" << 1;
        QTest::newRow("mains input 8")
            << int(Ctl::optSpontaneaIngresso_8) << "SpontaneaIngresso" << 128;
        QTest::newRow("mains input 2")
            << int(Ctl::optSpontaneaIngresso_2) << "SpontaneaIngresso" << 2;
    }
    void optionsSetTheRecord() {
        QFETCH(int, option);
        QFETCH(QString, field);
        ModelRig r;
        r.read(with(sampleProteusX(), {{22, 0xFF}}));
        QVERIFY(r.click(static_cast<Ctl>(option)));
        const ConfigRecord& rec = r.session.record;
        const int value = field == QLatin1String("NumIngressi")  ? rec.NumIngressi
                          : field == QLatin1String("InviaStati") ? rec.InviaStati
                                                                 : rec.SpontaneaIngresso;
        QTEST(value, "value");
    }
};

QTEST_APPLESS_MAIN(TestEditorFeatureChecks)
#include "tst_editor_feature_checks.moc"
