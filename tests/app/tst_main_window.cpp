#include "common/editor_rig.h"
#include "common/test_main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSettings>
#include <QToolBar>
#include <QToolButton>

using namespace selvana;
using namespace selvana::testing;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QSettings(QSettings::IniFormat, QSettings::UserScope, "SelvanaM", "SelvanaM").clear();
    }

    void startWithoutPort() {
        EditorRig r;
        QCOMPARE(r.state.PortNumber, 0);
        QVERIFY(!r.window->command("LOAD")->isEnabled());
        QVERIFY(!r.window->command("SAVE")->isEnabled());
        QVERIFY(!r.window->command("RETI")->isEnabled());
        QVERIFY(r.window->command("END")->isEnabled());
        QVERIFY(r.window->command("CONFIG")->isEnabled());
    }

    void startWithStoredPort() {
        SettingsStore().SaveSetting(QStringLiteral("Port"), QStringLiteral(" 3 "));
        ProgramState state;
        FakeSerialLink link;
        SettingsStore settings;
        RecordingDialogs dialogs;
        QTemporaryDir folder;
        MainWindow window(state, link, settings, dialogs, folder.path());
        QCOMPARE(state.PortNumber, 3);
        QVERIFY(window.windowTitle().startsWith(QStringLiteral("Programmatore periferiche")));
        QVERIFY(window.command("LOAD")->isEnabled());
        QVERIFY(!window.command("SAVE")->isEnabled());
        QVERIFY(window.command("RETI")->isEnabled());
        // The editor starts covered by the presentation panel, the link panel behind it.
        QVERIFY(!window.findChild<QWidget*>("framePresentation")->isHidden());
        QVERIFY(!window.findChild<QWidget*>("frmPrepare")->isHidden());
        QVERIFY(window.findChild<QWidget*>("frameReti")->isHidden());
        QVERIFY(window.findChild<QWidget*>("Frame11")->isHidden());
        QVERIFY(!window.run().tmrClock().isActive());
    }

    void toolbar() {
        EditorRig r;
        auto* bar = r.window->findChild<QToolBar*>("tlbMain");
        QVERIFY(bar);
        QStringList order;
        int spacers = 0;
        for (QAction* action : bar->actions()) {
            if (action->objectName().isEmpty()) {
                ++spacers;
                order << QStringLiteral("|");
            } else {
                order << action->objectName();
            }
        }
        QCOMPARE(order, (QStringList{"CONFIG", "|", "LOAD", "SAVE", "RETI", "|", "END"}));
        const std::pair<const char*, std::pair<const char*, const char*>> commands[] = {
            {"CONFIG", {"Impostazioni", "Imposta la posta di comunicazione con l'apparato"}},
            {"LOAD", {"Lettura Configurazione", "Legge la configurazione attuale dell'apparato"}},
            {"SAVE", {"Programmazione", "Memorizza la configurazione visualizzata nell'apparato"}},
            {"RETI", {"Gestione Reti", "Gestione elenco reti disponibili"}},
            {"END",
             {"Fine lavoro",
              "Chiude l'applicazione senza salvare la configurazione nell'apparato"}},
        };
        for (const auto& [key, texts] : commands) {
            QAction* action = r.window->command(QLatin1String(key));
            QCOMPARE(action->text(), QString::fromUtf8(texts.first));
            QCOMPARE(action->toolTip(), QString::fromUtf8(texts.second));
            QVERIFY(!action->icon().isNull());
        }
    }

    // The three panels cover exactly the area of the editing frames.
    void panelsCoverTheEditor() {
        EditorRig r;
        r.window->resize(1100, 700);
        QTest::qWait(50);
        const QRect area = r.window->editorArea()->rect();
        for (const char* name : {"framePresentation", "frmPrepare", "frameReti"})
            QCOMPARE(r.window->findChild<QWidget*>(name)->geometry(), area);
        r.window->showNetworksPanel();
        QVERIFY(!r.w<QGroupBox>(Ctl::Frame4)->isEnabled()); // covered: takes no keys
        r.window->hideNetworksPanel();
        QVERIFY(r.w<QGroupBox>(Ctl::Frame4)->isEnabled());
    }

    // Every control the design names carries its name; arrays as name_index.
    void objectNames() {
        EditorRig r;
        const char* names[] = {"frmMONO",
                               "tlbMain",
                               "framePresentation",
                               "frmPrepare",
                               "lblPrepare",
                               "frameReti",
                               "grdReti",
                               "Frame4",
                               "Frame6",
                               "Frame5",
                               "Frame8",
                               "Frame2",
                               "Frame11",
                               "btnEsporta",
                               "btnImporta",
                               "lblModifiche",
                               "lstModifiche",
                               "chkVerifica",
                               "txtCadenzaSopravvivenza",
                               "txtCodicePeriferica",
                               "txtFrequenzaTX",
                               "txtTempoAggancio",
                               "txtTempoCampionamentoMancanzaAC",
                               "txtTempoIngresso",
                               "txtTempoSirena",
                               "txtTempoUscita",
                               "cmbCodiceRete",
                               "cmbNumTentativiTX",
                               "cmbProtocollo",
                               "cmbTonoSubAudio",
                               "lblSerialNumber",
                               "txtSerialNumber",
                               "lblVHFUHV",
                               "lblToni",
                               "cmbViaTX",
                               "chkDoppioSalto",
                               "txtCodiceRep",
                               "lblCodRep",
                               "optPotenzaRF_3",
                               "optPotenzaRF_10",
                               "optNumIngressi_1",
                               "optNumIngressi_2",
                               "optNumIngressi_4",
                               "optNumIngressi_6",
                               "optNumIngressi_8",
                               "chkCentralinaIntegrata",
                               "lblIngressiCondiz",
                               "ckMaskIngressi_0",
                               "ckMaskIngressi_7",
                               "chkInvioSopravvivenza",
                               "chkSync",
                               "chkTrasmissioniMultiple",
                               "chkDoppioMesaggio",
                               "optStati",
                               "optAllarmi",
                               "txtOffsetSicep1",
                               "txtOffsetSicep2",
                               "txtOffsetSicepHex01",
                               "txtOffsetSicepHex02",
                               "chkRimappaturaIngressiSicep",
                               "chkSpontaneaACOff",
                               "optSpontaneaIngresso_1",
                               "optSpontaneaIngresso_8"};
        for (const char* name : names) {
            const bool found = r.window->objectName() == QLatin1String(name) ||
                               r.window->findChild<QObject*>(QLatin1String(name)) != nullptr;
            QVERIFY2(found, name);
        }
        // Nothing the window shows goes without a name.
        for (QWidget* w : r.window->findChildren<QWidget*>()) {
            const QWidget* parent = w->parentWidget();
            const bool ours = parent && (parent->inherits("QGroupBox") ||
                                         parent->objectName().startsWith(QLatin1String("frame")) ||
                                         parent->objectName() == QLatin1String("frmPrepare"));
            if (w->objectName().isEmpty() && ours &&
                (w->inherits("QLabel") || w->inherits("QLineEdit") || w->inherits("QComboBox") ||
                 w->inherits("QAbstractButton") || w->inherits("QGroupBox")))
                QFAIL(qPrintable(QStringLiteral("a %1 without a name in %2")
                                     .arg(QLatin1String(w->metaObject()->className()),
                                          w->parentWidget()->objectName())));
        }
    }

    // "Verifica dopo la scrittura" is off until ticked, then as it was left; a click on it
    // leaves the focus in the editor.
    void readBackRemembered_data() {
        QTest::addColumn<bool>("left");
        QTest::newRow("off at first") << false;
        QTest::newRow("left on") << true;
    }
    void readBackRemembered() {
        QFETCH(bool, left);
        if (left)
            SettingsStore().SaveSetting(QStringLiteral("Verifica"), QStringLiteral("1"));
        EditorRig r;
        auto* box = r.window->findChild<QCheckBox*>("chkVerifica");
        QCOMPARE(box->isChecked(), left);
        QCOMPARE(box->focusPolicy(), Qt::NoFocus);
        box->click();
        QCOMPARE(r.window->run().readBack(), !left);
        QCOMPARE(SettingsStore().GetSetting(QStringLiteral("Verifica"), {}) == "1", !left);
    }

    void captions() {
        EditorRig r;
        const std::pair<const char*, const char*> labels[] = {
            {"Frame4", "Parametri Generali"},   {"Frame6", "Parametri Radio"},
            {"Frame5", "Parametri Operativi"},  {"Frame8", "Via di TX"},
            {"Frame2", "Centralina Integrata"}, {"Frame11", "Configurazione"}};
        for (const auto& [name, title] : labels)
            QCOMPARE(r.window->findChild<QGroupBox*>(name)->title(), QString::fromUtf8(title));
        QStringList texts;
        for (QLabel* label : r.window->findChildren<QLabel*>())
            texts << label->text();
        for (const char* text : {"Cadenza (ore)",
                                 "Codice Periferica",
                                 "Frequenza TX (Mhz)",
                                 "T agg. ponte (s)",
                                 "Tempo Campionamento (min)",
                                 "Tempo Ingresso (s)",
                                 "Tempo Sirena (s)",
                                 "Tempo Uscita (s)",
                                 "Codice Rete",
                                 "Num. Tentativi",
                                 "Protocollo",
                                 "Tono Subaudio",
                                 "Serial Number",
                                 "Tipo Frequenza",
                                 "Toni",
                                 "Via di TX",
                                 "Potenza TX (W)",
                                 "Num. Ingr.",
                                 "Ingressi condizionati:",
                                 "Offset SICEP 1",
                                 "Offset SICEP 2",
                                 "Hex:",
                                 "Ing."})
            QVERIFY2(texts.contains(QString::fromUtf8(text)), text);
    }
};

SELVANA_TEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
