#include "cli/peripheral_rig.h"
#include "common/editor_rig.h"
#include "common/test_main.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>

using namespace selvana;
using namespace selvana::testing;

Q_DECLARE_METATYPE(selvana::Image)

// The command line and the window agree: decode lists what the window showed for a file it
// exported, and write puts into a peripheral what the window's import and write would.
class TestCliWindow : public QObject {
    Q_OBJECT

    QTemporaryDir home;

    static QJsonObject decodeJson(const QString& path) {
        CliRun cli;
        const int status = cli.run({QStringLiteral("decode"), path, QStringLiteral("--json")});
        if (status != 0)
            qWarning("decode ended with %d: %s", status, qPrintable(cli.err()));
        return QJsonDocument::fromJson(cli.out().toUtf8()).object();
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }

    void decodeListsWhatTheWindowShowed_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<int>("firmwareM6");
        QTest::newRow("Proteus-X by repeater, M6") << sampleProteusX() << 1;
        QTest::newRow("Sicep UHF, direct, M6") << sampleSicep() << 1;
        QTest::newRow("Proteus-X before M6") << sampleProteusX() << 0;
        QTest::newRow("bidirectional, no survival, no mains failure")
            << with(sampleProteusX(),
                    {{15, 0x71}, {16, 3}, {17, 0xFE}, {35, 0xFF}, {36, 0xFF}, {38, 0}, {33, 0x85}})
            << 1;
    }
    void decodeListsWhatTheWindowShowed() {
        QFETCH(Image, image);
        QFETCH(int, firmwareM6);
        EditorRig rig;
        rig.show(image, firmwareM6);
        const QString path = home.filePath(QStringLiteral("esportato.con"));
        QFile::remove(path);
        rig.dialogs.savePath = path;
        rig.w<QPushButton>(Ctl::btnEsporta)->click();
        QCOMPARE(rig.dialogs.messages, QStringList());
        QVERIFY(QFile::exists(path));

        const QJsonObject json = decodeJson(path);
        const QJsonObject fields = json[QStringLiteral("campi")].toObject();
        const auto value = [&fields](const char* name) {
            return fields[QLatin1String(name)][QStringLiteral("valore")];
        };
        const auto shown = [&fields](const char* name, const char* key) {
            return fields[QLatin1String(name)][QLatin1String(key)];
        };
        const QLocale locale;
        const auto number = [&locale](QLineEdit* box) { return locale.toDouble(box->text()); };

        QCOMPARE(json[QStringLiteral("firmware")][QStringLiteral("M6")].toBool(), firmwareM6 == 1);
        QCOMPARE(json[QStringLiteral("banda")][QStringLiteral("nome")].toString(),
                 rig.w<QLabel>(Ctl::lblVHFUHV)->text());
        QCOMPARE(value("FrequenzaTX").toDouble(), number(rig.w<QLineEdit>(Ctl::txtFrequenzaTX)));
        QCOMPARE(shown("BandaUHF", "nome").toString(), rig.w<QLabel>(Ctl::lblVHFUHV)->text());
        QCOMPARE(value("PotenzaRF").toInt(),
                 rig.editor().widgets().group(editor::Array::PotenzaRF)->checkedId());
        QCOMPARE(value("TempoAggancio").toDouble(),
                 number(rig.w<QLineEdit>(Ctl::txtTempoAggancio)));
        QCOMPARE(shown("Protocollo", "nome").toString(),
                 rig.w<QComboBox>(Ctl::cmbProtocollo)->currentText());
        QCOMPARE(value("InviaStati").toInt() == 1, rig.w<QRadioButton>(Ctl::optStati)->isChecked());
        QCOMPARE(shown("ViaTX", "nome").toString(), rig.w<QComboBox>(Ctl::cmbViaTX)->currentText());
        const QString via = rig.w<QComboBox>(Ctl::cmbViaTX)->currentText();
        if (via == QLatin1String("Diretta"))
            QCOMPARE(rig.w<QLineEdit>(Ctl::txtCodiceRep)->text(), QString());
        else
            QCOMPARE(value(via == QLatin1String("REP") ? "CodiceRep" : "IngressoBidi").toInt(),
                     rig.w<QLineEdit>(Ctl::txtCodiceRep)->text().toInt());
        QCOMPARE(shown("DoppioSalto", "spuntata").toBool(),
                 rig.w<QCheckBox>(Ctl::chkDoppioSalto)->isChecked());
        QCOMPARE(shown("ToniAlti", "nome").toString(), rig.w<QLabel>(Ctl::lblToni)->text());
        QCOMPARE(shown("TrasmissioniMultiple", "spuntata").toBool(),
                 rig.w<QCheckBox>(Ctl::chkTrasmissioniMultiple)->isChecked());
        QCOMPARE(value("NumTentativiTX").toInt(),
                 rig.w<QComboBox>(Ctl::cmbNumTentativiTX)->currentText().toInt());
        QCOMPARE(value("CodiceRete").toInt(),
                 rig.w<QComboBox>(Ctl::cmbCodiceRete)->currentText().left(5).toInt());
        QCOMPARE(value("CodicePeriferica").toInt(),
                 rig.w<QLineEdit>(Ctl::txtCodicePeriferica)->text().toInt());
        QCOMPARE(value("NumIngressi").toInt(),
                 rig.editor().widgets().group(editor::Array::NumIngressi)->checkedId());
        QCOMPARE(shown("TonoSubAudio", "nome").toString(),
                 rig.w<QComboBox>(Ctl::cmbTonoSubAudio)->currentText());
        QCOMPARE(shown("NoRisincronizza", "spuntata").toBool(),
                 rig.w<QCheckBox>(Ctl::chkSync)->isChecked());
        QCOMPARE(shown("InvioSopravvivenza", "spuntata").toBool(),
                 rig.w<QCheckBox>(Ctl::chkInvioSopravvivenza)->isChecked());
        if (rig.w<QCheckBox>(Ctl::chkInvioSopravvivenza)->isChecked())
            QCOMPARE(value("CadenzaSopravvivenza").toDouble(),
                     number(rig.w<QLineEdit>(Ctl::txtCadenzaSopravvivenza)));
        QCOMPARE(shown("CentralinaIntegrata", "spuntata").toBool(),
                 rig.w<QCheckBox>(Ctl::chkCentralinaIntegrata)->isChecked());
        QCOMPARE(value("TempoSirena").toDouble(), number(rig.w<QLineEdit>(Ctl::txtTempoSirena)));
        QCOMPARE(value("TempoUscita").toDouble(), number(rig.w<QLineEdit>(Ctl::txtTempoUscita)));
        QCOMPARE(value("TempoIngresso").toDouble(),
                 number(rig.w<QLineEdit>(Ctl::txtTempoIngresso)));
        if (!rig.w<QLabel>(Ctl::lblIngressiCondiz)->isHidden()) {
            QList<int> ticked;
            for (int i = 0; i < 8; ++i) {
                if (rig.w<QCheckBox>(*editor::memberOf(editor::Array::MaskIngressi, i))
                        ->isChecked())
                    ticked << i + 1;
            }
            QList<int> listed;
            for (const QJsonValue input : shown("MaskIngressi", "ingressi").toArray())
                listed << input.toInt();
            QCOMPARE(listed, ticked);
        }
        QCOMPARE(shown("SpontaneaACOff", "spuntata").toBool(),
                 rig.w<QCheckBox>(Ctl::chkSpontaneaACOff)->isChecked());
        if (rig.w<QCheckBox>(Ctl::chkSpontaneaACOff)->isChecked()) {
            QCOMPARE(value("TempoCampionamentoMancanzaAC").toDouble(),
                     number(rig.w<QLineEdit>(Ctl::txtTempoCampionamentoMancanzaAC)));
            QCOMPARE(shown("SpontaneaIngresso", "ingresso").toInt(),
                     rig.editor().widgets().group(editor::Array::SpontaneaIngresso)->checkedId());
        }
        QCOMPARE(shown("DoppioMessaggio", "spuntata").toBool(),
                 rig.w<QCheckBox>(Ctl::chkDoppioMesaggio)->isChecked());
        QCOMPARE(value("OffsetSicep1").toDouble(), number(rig.w<QLineEdit>(Ctl::txtOffsetSicep1)));
        QCOMPARE(value("OffsetSicep2").toDouble(), number(rig.w<QLineEdit>(Ctl::txtOffsetSicep2)));
        QCOMPARE(shown("OffsetSicep1", "esadecimale").toString(),
                 rig.w<QLineEdit>(Ctl::txtOffsetSicepHex01)->text());
        QCOMPARE(shown("OffsetSicep2", "esadecimale").toString(),
                 rig.w<QLineEdit>(Ctl::txtOffsetSicepHex02)->text());
        QCOMPARE(shown("RimappaturaIngressiSicep", "spuntata").toBool(),
                 rig.w<QCheckBox>(Ctl::chkRimappaturaIngressiSicep)->isChecked());

        // Each field under the caption the window shows it with.
        const std::pair<const char*, const char*> captions[] = {
            {"FrequenzaTX", "lblCapFrequenzaTX"},
            {"BandaUHF", "lblCapVHFUHV"},
            {"PotenzaRF", "lblCapPotenzaRF"},
            {"TempoAggancio", "lblCapTempoAggancio"},
            {"Protocollo", "lblCapProtocollo"},
            {"ToniAlti", "lblCapToni"},
            {"NumTentativiTX", "lblCapNumTentativiTX"},
            {"MaskIngressi", "lblIngressiCondiz"},
            {"CodiceRete", "lblCapCodiceRete"},
            {"CodicePeriferica", "lblCapCodicePeriferica"},
            {"NumIngressi", "lblCapNumIngressi"},
            {"TonoSubAudio", "lblCapTonoSubAudio"},
            {"CadenzaSopravvivenza", "lblCapCadenzaSopravvivenza"},
            {"SpontaneaIngresso", "lblCapSpontaneaIngresso"},
            {"TempoCampionamentoMancanzaAC", "lblCapTempoCampionamentoMancanzaAC"},
            {"TempoSirena", "lblCapTempoSirena"},
            {"TempoUscita", "lblCapTempoUscita"},
            {"TempoIngresso", "lblCapTempoIngresso"},
            {"OffsetSicep1", "lblCapOffsetSicep1"},
            {"OffsetSicep2", "lblCapOffsetSicep2"},
            {"RimappaturaIngressiSicep", "chkRimappaturaIngressiSicep"},
            {"DoppioSalto", "chkDoppioSalto"},
            {"TrasmissioniMultiple", "chkTrasmissioniMultiple"},
            {"NoRisincronizza", "chkSync"},
            {"InvioSopravvivenza", "chkInvioSopravvivenza"},
            {"CentralinaIntegrata", "chkCentralinaIntegrata"},
            {"SpontaneaACOff", "chkSpontaneaACOff"},
            {"DoppioMessaggio", "chkDoppioMesaggio"},
        };
        for (const auto& [field, widget] : captions) {
            QWidget* w = rig.window->findChild<QWidget*>(QLatin1String(widget));
            QVERIFY2(w, widget);
            const QString caption = qobject_cast<QLabel*>(w)
                                        ? qobject_cast<QLabel*>(w)->text()
                                        : qobject_cast<QAbstractButton*>(w)->text();
            QCOMPARE(shown(field, "etichetta").toString(), caption);
        }
    }

    void writeSendsWhatTheWindowsImportAndWriteSend() {
        // The window exports one peripheral's configuration, imports it again and writes it.
        EditorRig rig;
        const Image source = with(sampleProteusX(), {{45, 90}, {24, 0}, {25, 0}, {16, 2}, {11, 7}});
        QVERIFY(rig.show(source, 1));
        const QString path = home.filePath(QStringLiteral("trasferito.con"));
        rig.dialogs.savePath = path;
        rig.w<QPushButton>(Ctl::btnEsporta)->click();
        rig.dialogs.openPath = path;
        rig.w<QPushButton>(Ctl::btnImporta)->click();
        QCOMPARE(rig.dialogs.messages, QStringList());
        rig.window->run().tlbMain_ButtonClick(Command::Save);
        const QByteArray windowFrame = rig.link.writes.last();
        QCOMPARE(windowFrame.size(), 71);

        // The command line writes the same file into the same peripheral.
        SimulatedPeripheral p;
        sim::SimulatorOptions options;
        options.announce = 'K';
        options.image = source;
        QVERIFY(p.start(options));
        CliRun cli;
        p.answerPrompts(cli);
        QCOMPARE(cli.run({QStringLiteral("write"), path, QStringLiteral("--port"), p.device()}), 0);
        QCOMPARE(p.stored.size(), 1);
        for (int k = 1; k <= 64; ++k)
            QVERIFY2(p.stored.first()[k] == static_cast<std::uint8_t>(windowFrame[k + 1]),
                     qPrintable(QStringLiteral("byte %1").arg(k)));
    }
};

SELVANA_TEST_MAIN(TestCliWindow)
#include "tst_cli_window.moc"
