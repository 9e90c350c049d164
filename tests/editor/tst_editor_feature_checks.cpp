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
                 QStringLiteral("La casella \"Spontanea su mancanza rete\" è spuntata, ma tutti "
                                "gli ingressi della periferica sono condizionati: nessuno può "
                                "segnalare la mancanza rete. Togliere il condizionamento da un "
                                "ingresso o togliere la spunta e ripetere l'operazione."));

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
