#pragma once

#include <QString>

#include <array>
#include <map>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

namespace selvana {

class TaggedLineEdit;

// Every control of the editor, by the name the rules use. Built once by buildEditorControls;
// the window owns the widgets, this only points at them.
struct EditorControls {
    // The six frames, in their grid cells, on one widget covering the editor area.
    QWidget* frames = nullptr;
    QGroupBox* Frame4 = nullptr;  // "Parametri Generali"
    QGroupBox* Frame6 = nullptr;  // "Parametri Radio"
    QGroupBox* Frame5 = nullptr;  // "Parametri Operativi"
    QGroupBox* Frame8 = nullptr;  // "Via di TX"
    QGroupBox* Frame2 = nullptr;  // "Centralina Integrata"
    QGroupBox* Frame11 = nullptr; // "Configurazione"

    // Identity and protocol.
    QLabel* lblSerialNumber = nullptr;
    TaggedLineEdit* txtSerialNumber = nullptr;
    TaggedLineEdit* txtCodicePeriferica = nullptr;
    QComboBox* cmbProtocollo = nullptr;
    QComboBox* cmbCodiceRete = nullptr;
    std::map<int, QRadioButton*> optNumIngressi; // members 1, 2, 4, 6, 8
    QButtonGroup* grpNumIngressi = nullptr;
    QRadioButton* optStati = nullptr;
    QRadioButton* optAllarmi = nullptr;
    QButtonGroup* grpInvio = nullptr;
    QCheckBox* chkRimappaturaIngressiSicep = nullptr;
    TaggedLineEdit* txtOffsetSicep1 = nullptr;
    TaggedLineEdit* txtOffsetSicep2 = nullptr;
    TaggedLineEdit* txtOffsetSicepHex01 = nullptr;
    TaggedLineEdit* txtOffsetSicepHex02 = nullptr;

    // Radio.
    TaggedLineEdit* txtFrequenzaTX = nullptr;
    QLabel* lblVHFUHV = nullptr;
    std::map<int, QRadioButton*> optPotenzaRF; // members 3, 10
    QButtonGroup* grpPotenzaRF = nullptr;
    QComboBox* cmbTonoSubAudio = nullptr;
    TaggedLineEdit* txtTempoAggancio = nullptr;
    QLabel* lblToni = nullptr;

    // Operation.
    QCheckBox* chkInvioSopravvivenza = nullptr;
    TaggedLineEdit* txtCadenzaSopravvivenza = nullptr;
    QCheckBox* chkSync = nullptr;
    QCheckBox* chkTrasmissioniMultiple = nullptr;
    QComboBox* cmbNumTentativiTX = nullptr;
    QCheckBox* chkDoppioMesaggio = nullptr;
    QCheckBox* chkSpontaneaACOff = nullptr;
    TaggedLineEdit* txtTempoCampionamentoMancanzaAC = nullptr;
    std::map<int, QRadioButton*> optSpontaneaIngresso; // members 1..8
    QButtonGroup* grpSpontaneaIngresso = nullptr;

    // Transmission path.
    QComboBox* cmbViaTX = nullptr;
    QCheckBox* chkDoppioSalto = nullptr;
    QLabel* lblCodRep = nullptr;
    TaggedLineEdit* txtCodiceRep = nullptr;

    // Integrated control panel.
    QCheckBox* chkCentralinaIntegrata = nullptr;
    TaggedLineEdit* txtTempoIngresso = nullptr;
    TaggedLineEdit* txtTempoUscita = nullptr;
    TaggedLineEdit* txtTempoSirena = nullptr;
    QLabel* lblIngressiCondiz = nullptr;
    std::array<QCheckBox*, 8> ckMaskIngressi{}; // members 0..7, input i + 1

    // Configuration files.
    QPushButton* btnEsporta = nullptr;
    QPushButton* btnImporta = nullptr;

    // The eleven numeric boxes with key filter and range check, in a fixed order.
    std::array<TaggedLineEdit*, 11> numericBoxes() const;
};

// Creates the six frames and every editor control inside them, with captions, tags and lengths,
// laid out in two rows of three cells on the editor area, in the design-time state.
EditorControls buildEditorControls(QWidget* editorArea);

// Puts every control back to its design-time state (lists keep their items, without a selection)
// without running any handler.
void applyDesignState(EditorControls& c);

} // namespace selvana
