#include "ui/editor.h"

#include "core/image/memory_map.h"
#include "ui/collector.h"
#include "ui/feature_checks.h"
#include "ui/fill_combos.h"
#include "ui/identity_fields.h"
#include "ui/network_selector.h"
#include "ui/numeric_entry.h"
#include "ui/presenter.h"
#include "ui/protocol_rules.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

namespace selvana {

Editor::Editor(ProgramState& state, KeyPreview& keys, UserDialogs& dialogs, QWidget* editorArea,
               std::function<void(bool)> setSaveEnabled, QObject* parent)
    : QObject(parent), state_(state),
      controls_(buildEditorControls(editorArea)), context_{controls_, state, keys, dialogs,
                                                           std::move(setSaveEnabled)} {
    for (TaggedLineEdit* box : controls_.numericBoxes())
        box->setKeyPreview(&keys);
    controls_.txtSerialNumber->setKeyPreview(&keys);
    wire();
}

void Editor::wire() {
    EditorControls& c = controls_;
    EditorContext* ctx = &context_;

    for (TaggedLineEdit* box : c.numericBoxes()) {
        connect(box, &QLineEdit::textChanged, this, [ctx, box] { NumericBox_Change(*ctx, box); });
        if (box == c.txtCodicePeriferica) {
            connect(box, &TaggedLineEdit::focusLost, this, [ctx] {
                if (!ctx->presenting)
                    CheckCodicePeriferica(*ctx);
            });
        } else {
            connect(box, &TaggedLineEdit::focusLost, this,
                    [ctx, box] { NumericBox_LostFocus(*ctx, box); });
        }
    }
    connect(c.txtSerialNumber, &QLineEdit::textChanged, this,
            [ctx] { txtSerialNumber_Change(*ctx); });
    connect(c.txtSerialNumber, &TaggedLineEdit::focusLost, this, [ctx] {
        if (!ctx->presenting)
            txtSerialNumber_LostFocus(*ctx);
    });

    connect(c.cmbProtocollo, &QComboBox::currentIndexChanged, this,
            [ctx] { cmbProtocollo_Click(*ctx); });
    connect(c.cmbViaTX, &QComboBox::currentIndexChanged, this, [ctx] { cmbViaTX_Click(*ctx); });
    connect(c.chkDoppioSalto, &QCheckBox::toggled, this, [ctx] { chkDoppioSalto_Click(*ctx); });
    connect(c.chkCentralinaIntegrata, &QCheckBox::toggled, this, [ctx] { CheckCentralina(*ctx); });
    connect(c.chkSpontaneaACOff, &QCheckBox::toggled, this, [ctx] { CheckSpontaneaACOff(*ctx); });
    connect(c.chkTrasmissioniMultiple, &QCheckBox::toggled, this,
            [ctx] { CheckTrasmissioniMultiple(*ctx); });
    connect(c.chkInvioSopravvivenza, &QCheckBox::toggled, this,
            [ctx] { chkInvioSopravvivenza_Click(*ctx); });
    for (QCheckBox* mask : c.ckMaskIngressi)
        connect(mask, &QCheckBox::toggled, this, [ctx] { CheckSpontaneaACOff(*ctx); });
    for (QRadioButton* option : {c.optStati, c.optAllarmi})
        connect(option, &QRadioButton::toggled, this, [ctx](bool on) {
            if (on)
                optStatiAllarmi_Click(*ctx);
        });
    for (const auto& [member, option] : c.optNumIngressi)
        connect(option, &QRadioButton::toggled, this, [ctx, member = member](bool on) {
            if (on)
                optNumIngressi_Click(*ctx, member);
        });
    for (const auto& [member, option] : c.optSpontaneaIngresso)
        connect(option, &QRadioButton::toggled, this, [ctx, member = member](bool on) {
            if (on)
                optSpontaneaIngresso_Click(*ctx, member);
        });
    connect(c.btnEsporta, &QPushButton::clicked, this, &Editor::exportClicked);
    connect(c.btnImporta, &QPushButton::clicked, this, &Editor::importClicked);
}

void Editor::fillCombos() {
    FillCombos(context_);
}

bool Editor::present() {
    const ConfigRecord shown = state_.record;
    context_.presenting = true;
    // Showing and hiding controls one by one would lay the visible frames out again each time:
    // the frames stay out of sight while they are set.
    QWidget* focused = QApplication::focusWidget();
    const bool framesShown = !controls_.frames->isHidden();
    controls_.frames->hide();

    // The start-up editor, then the start-up (zeroed) record as the announcement shows it...
    applyDesignState(controls_);
    dropUnlistedNetwork(controls_.cmbCodiceRete);
    state_.KeyAccepted = true;
    state_.record = ConfigRecord{};
    DisplayData(context_);
    runFeatureChecks(context_);

    // ...then the configuration. Decoding keeps the mains-failure input of the record before it
    // when byte 38 is 0; after the start-up record that is 0.
    const std::uint8_t mainsInput = state_.record.SpontaneaIngresso;
    state_.record = shown;
    if (state_.ConfigImage[map::kMainsFailureInput] == 0)
        state_.record.SpontaneaIngresso = mainsInput;
    DisplayData(context_);
    runFeatureChecks(context_);

    if (framesShown)
        controls_.frames->show();
    context_.presenting = false;
    const bool codeValid = peripheralCodeValid(context_);
    // The code check asked for the focus when the code is out of range; otherwise the focus
    // goes back where it was.
    QWidget* next = codeValid ? focused : controls_.txtCodicePeriferica;
    if (next && next->isVisible() && next->isEnabled())
        next->setFocus(Qt::OtherFocusReason);
    return codeValid;
}

std::optional<FieldError> Editor::collect() {
    return CopiaDatiSave(context_);
}

} // namespace selvana
