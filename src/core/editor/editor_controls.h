#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace selvana::editor {

enum class Kind { Frame, Label, TextBox, List, CheckBox, Option, Button };

// Controls that belong to an array: option groups (one member selected at most) and the
// conditioned-input boxes.
enum class Array { None, NumIngressi, Invio, PotenzaRF, SpontaneaIngresso, MaskIngressi };

// Every control of the editor: name (its objectName), kind, array and member number, and the
// caption of the controls that show no field ("" for the others: theirs is the field's).
#define SELVANA_EDITOR_CONTROLS(X)                                                                 \
    X(Frame4, Frame, None, -1, "Parametri Generali")                                               \
    X(Frame6, Frame, None, -1, "Parametri Radio")                                                  \
    X(Frame5, Frame, None, -1, "Parametri Operativi")                                              \
    X(Frame8, Frame, None, -1, "Via di TX")                                                        \
    X(Frame2, Frame, None, -1, "Centralina Integrata")                                             \
    X(Frame11, Frame, None, -1, "Configurazione")                                                  \
    X(lblSerialNumber, Label, None, -1, "")                                                        \
    X(txtSerialNumber, TextBox, None, -1, "")                                                      \
    X(txtCodicePeriferica, TextBox, None, -1, "")                                                  \
    X(cmbProtocollo, List, None, -1, "")                                                           \
    X(cmbCodiceRete, List, None, -1, "")                                                           \
    X(optNumIngressi_1, Option, NumIngressi, 1, "")                                                \
    X(optNumIngressi_2, Option, NumIngressi, 2, "")                                                \
    X(optNumIngressi_4, Option, NumIngressi, 4, "")                                                \
    X(optNumIngressi_6, Option, NumIngressi, 6, "")                                                \
    X(optNumIngressi_8, Option, NumIngressi, 8, "")                                                \
    X(optStati, Option, Invio, 1, "")                                                              \
    X(optAllarmi, Option, Invio, 0, "")                                                            \
    X(chkRimappaturaIngressiSicep, CheckBox, None, -1, "")                                         \
    X(txtOffsetSicep1, TextBox, None, -1, "")                                                      \
    X(txtOffsetSicepHex01, TextBox, None, -1, "")                                                  \
    X(txtOffsetSicep2, TextBox, None, -1, "")                                                      \
    X(txtOffsetSicepHex02, TextBox, None, -1, "")                                                  \
    X(txtFrequenzaTX, TextBox, None, -1, "")                                                       \
    X(lblVHFUHV, Label, None, -1, "")                                                              \
    X(optPotenzaRF_3, Option, PotenzaRF, 3, "")                                                    \
    X(optPotenzaRF_10, Option, PotenzaRF, 10, "")                                                  \
    X(cmbTonoSubAudio, List, None, -1, "")                                                         \
    X(txtTempoAggancio, TextBox, None, -1, "")                                                     \
    X(lblToni, Label, None, -1, "")                                                                \
    X(chkInvioSopravvivenza, CheckBox, None, -1, "")                                               \
    X(txtCadenzaSopravvivenza, TextBox, None, -1, "")                                              \
    X(chkSync, CheckBox, None, -1, "")                                                             \
    X(chkTrasmissioniMultiple, CheckBox, None, -1, "")                                             \
    X(cmbNumTentativiTX, List, None, -1, "")                                                       \
    X(chkDoppioMesaggio, CheckBox, None, -1, "")                                                   \
    X(chkSpontaneaACOff, CheckBox, None, -1, "")                                                   \
    X(txtTempoCampionamentoMancanzaAC, TextBox, None, -1, "")                                      \
    X(optSpontaneaIngresso_1, Option, SpontaneaIngresso, 1, "")                                    \
    X(optSpontaneaIngresso_2, Option, SpontaneaIngresso, 2, "")                                    \
    X(optSpontaneaIngresso_3, Option, SpontaneaIngresso, 3, "")                                    \
    X(optSpontaneaIngresso_4, Option, SpontaneaIngresso, 4, "")                                    \
    X(optSpontaneaIngresso_5, Option, SpontaneaIngresso, 5, "")                                    \
    X(optSpontaneaIngresso_6, Option, SpontaneaIngresso, 6, "")                                    \
    X(optSpontaneaIngresso_7, Option, SpontaneaIngresso, 7, "")                                    \
    X(optSpontaneaIngresso_8, Option, SpontaneaIngresso, 8, "")                                    \
    X(cmbViaTX, List, None, -1, "")                                                                \
    X(chkDoppioSalto, CheckBox, None, -1, "")                                                      \
    X(lblCodRep, Label, None, -1, "")                                                              \
    X(txtCodiceRep, TextBox, None, -1, "")                                                         \
    X(chkCentralinaIntegrata, CheckBox, None, -1, "")                                              \
    X(txtTempoIngresso, TextBox, None, -1, "")                                                     \
    X(txtTempoUscita, TextBox, None, -1, "")                                                       \
    X(txtTempoSirena, TextBox, None, -1, "")                                                       \
    X(lblIngressiCondiz, Label, None, -1, "")                                                      \
    X(ckMaskIngressi_0, CheckBox, MaskIngressi, 0, "")                                             \
    X(ckMaskIngressi_1, CheckBox, MaskIngressi, 1, "")                                             \
    X(ckMaskIngressi_2, CheckBox, MaskIngressi, 2, "")                                             \
    X(ckMaskIngressi_3, CheckBox, MaskIngressi, 3, "")                                             \
    X(ckMaskIngressi_4, CheckBox, MaskIngressi, 4, "")                                             \
    X(ckMaskIngressi_5, CheckBox, MaskIngressi, 5, "")                                             \
    X(ckMaskIngressi_6, CheckBox, MaskIngressi, 6, "")                                             \
    X(ckMaskIngressi_7, CheckBox, MaskIngressi, 7, "")                                             \
    X(btnEsporta, Button, None, -1, "Esporta")                                                     \
    X(btnImporta, Button, None, -1, "Importa")

// A control by its name: Ctl::txtTempoSirena, Ctl::optNumIngressi_4.
enum class Ctl : int {
#define SELVANA_EDITOR_CONTROL_ID(name, kind, array, member, caption) name,
    SELVANA_EDITOR_CONTROLS(SELVANA_EDITOR_CONTROL_ID)
#undef SELVANA_EDITOR_CONTROL_ID
};

inline constexpr int kControlCount = 0
#define SELVANA_EDITOR_CONTROL_COUNT(name, kind, array, member, caption) +1
    SELVANA_EDITOR_CONTROLS(SELVANA_EDITOR_CONTROL_COUNT)
#undef SELVANA_EDITOR_CONTROL_COUNT
    ;

struct ControlInfo {
    Ctl id;
    const char* name;
    Kind kind;
    Array array;
    int member;          // member number within its array, -1 outside one
    const char* caption; // own caption of a frame or a button, else ""
};

// Every control, in the order of the frames.
std::span<const ControlInfo> controlInfos();
const ControlInfo& infoOf(Ctl id);
QString nameOf(Ctl id);
std::optional<Ctl> controlNamed(QStringView name);

// The members of an array in member order, and one member by its number.
std::span<const Ctl> membersOf(Array array);
std::optional<Ctl> memberOf(Array array, int member);

// The plain state of one control, whatever its kind; each kind uses the fields it has.
struct ControlState {
    QString text;                 // box text; caption of a label, frame, box, option or button
    QStringList items;            // list items
    int position = -1;            // selected list item, -1 none
    bool checked = false;         // check box ticked, option selected
    bool enabled = true;          // the control's own flag, whatever its frame
    bool visible = true;          // the control's own flag, whatever its frame
    std::uint32_t foreColour = 0; // text colour 0x00BBGGRR: 0 black, 255 red
    QChar tag;                    // key filter of a text box: 'I', 'D' or none
    int typingLimit = 0;          // most characters the installer's keys make; 0 none

    // The selected item's text; empty without a selection.
    QString currentText() const {
        return position >= 0 && position < items.size() ? items[position] : QString();
    }
};

inline constexpr std::uint32_t kBlack = 0x000000;
inline constexpr std::uint32_t kRed = 0x0000FF;

} // namespace selvana::editor
