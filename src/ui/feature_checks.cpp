#include "ui/feature_checks.h"

#include "core/fields/number_text.h"
#include "ui/editor_context.h"
#include "ui/editor_widgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

namespace selvana {

namespace {

QString tonesCaption(bool high) {
    return high ? QStringLiteral("Alti") : QStringLiteral("Bassi");
}

void enableMainsInputs(EditorContext& ctx) {
    const MainsInputRule rule = mainsInputRule(ctx);
    for (const auto& [member, button] : ctx.c.optSpontaneaIngresso)
        button->setEnabled(rule.allows(member));
}

// Where a choice that may not be made goes: the lowest input that may carry the report and that
// the peripheral has; none when every such input is conditioned. Selecting no member then keeps
// a conditioned input, or one the peripheral lacks, from being offered as the chosen one.
QRadioButton* fallbackMainsInput(const EditorContext& ctx) {
    const int member = mainsInputRule(ctx).fallback();
    return member > 0 ? ctx.c.optSpontaneaIngresso.at(member) : nullptr;
}

// Enables the inputs that may carry the report and selects the record's one, or the fallback
// when that one may not be chosen; a record naming no input leaves none selected.
void showMainsInputs(EditorContext& ctx) {
    EditorControls& c = ctx.c;
    enableMainsInputs(ctx);
    for (int i = 0; i <= 7; ++i) {
        if ((1 << i) == ctx.s.record.SpontaneaIngresso) {
            QRadioButton* button = c.optSpontaneaIngresso.at(i + 1);
            selectMember(c.grpSpontaneaIngresso,
                         ownEnabled(button) ? button : fallbackMainsInput(ctx));
            break;
        }
    }
}

} // namespace

MainsInputRule mainsInputRule(const EditorContext& ctx) {
    MainsInputRule rule;
    rule.firmwareM6 = ctx.s.FirmwareM6 != 0;
    rule.integratedPanel = ctx.c.chkCentralinaIntegrata->isChecked();
    for (int i = 0; i < 8; ++i)
        if (ctx.c.ckMaskIngressi[i]->isChecked())
            rule.conditioned |= static_cast<std::uint8_t>(1 << i);
    rule.inputs = ctx.s.record.NumIngressi;
    return rule;
}

void CheckCentralina(EditorContext& ctx) {
    EditorControls& c = ctx.c;
    if (c.chkCentralinaIntegrata->isChecked()) {
        c.txtTempoIngresso->setText(integerText(ctx.s.record.TempoIngresso));
        c.txtTempoUscita->setText(integerText(ctx.s.record.TempoUscita));
        c.txtTempoSirena->setText(integerText(ctx.s.record.TempoSirena));
        for (QWidget* box :
             {static_cast<QWidget*>(c.txtTempoIngresso), static_cast<QWidget*>(c.txtTempoUscita),
              static_cast<QWidget*>(c.txtTempoSirena)})
            box->setVisible(true);
        for (QCheckBox* mask : c.ckMaskIngressi)
            mask->setEnabled(true);
        if (c.chkSpontaneaACOff->isChecked()) {
            enableMainsInputs(ctx);
            for (const auto& [member, button] : c.optSpontaneaIngresso) {
                if (button->isChecked() && !ownEnabled(button)) {
                    selectMember(c.grpSpontaneaIngresso, fallbackMainsInput(ctx));
                    break;
                }
            }
        }
    } else {
        if (c.chkSpontaneaACOff->isChecked())
            for (const auto& [member, button] : c.optSpontaneaIngresso)
                button->setEnabled(true);
        for (QCheckBox* mask : c.ckMaskIngressi)
            mask->setEnabled(false);
        for (QWidget* box :
             {static_cast<QWidget*>(c.txtTempoIngresso), static_cast<QWidget*>(c.txtTempoUscita),
              static_cast<QWidget*>(c.txtTempoSirena)})
            box->setVisible(false);
    }
}

void CheckSpontaneaACOff(EditorContext& ctx) {
    EditorControls& c = ctx.c;
    if (c.chkSpontaneaACOff->isChecked()) {
        c.txtTempoCampionamentoMancanzaAC->setText(
            integerText(ctx.s.record.TempoCampionamentoMancanzaAC));
        c.txtTempoCampionamentoMancanzaAC->setEnabled(true);
        showMainsInputs(ctx);
    } else {
        c.txtTempoCampionamentoMancanzaAC->setText(QString());
        c.txtTempoCampionamentoMancanzaAC->setEnabled(false);
        clearMembers(c.grpSpontaneaIngresso);
        for (const auto& [member, button] : c.optSpontaneaIngresso)
            button->setEnabled(false);
    }
}

void CheckDoppioSalto(EditorContext& ctx) {
    ctx.s.record.ToniAlti =
        ctx.c.cmbViaTX->currentIndex() == 0 ? true : ctx.c.chkDoppioSalto->isChecked();
    ctx.c.lblToni->setText(tonesCaption(ctx.s.record.ToniAlti));
}

void CheckToni(EditorContext& ctx) {
    const bool direct = ctx.c.cmbViaTX->currentIndex() == 0;
    ctx.c.lblToni->setText(tonesCaption(direct || ctx.c.chkDoppioSalto->isChecked()));
}

void CheckTrasmissioniMultiple(EditorContext& ctx) {
    EditorControls& c = ctx.c;
    if (c.chkTrasmissioniMultiple->isChecked()) {
        c.cmbNumTentativiTX->setEnabled(true);
        c.chkDoppioMesaggio->setEnabled(true);
    } else {
        setListPosition(c.cmbNumTentativiTX, 0);
        c.cmbNumTentativiTX->setEnabled(false);
        c.chkDoppioMesaggio->setChecked(false);
        c.chkDoppioMesaggio->setEnabled(false);
    }
}

void runFeatureChecks(EditorContext& ctx) {
    CheckToni(ctx);
    CheckDoppioSalto(ctx);
    CheckTrasmissioniMultiple(ctx);
    CheckCentralina(ctx);
    CheckSpontaneaACOff(ctx);
}

void chkDoppioSalto_Click(EditorContext& ctx) {
    CheckDoppioSalto(ctx);
    CheckToni(ctx);
}

void chkInvioSopravvivenza_Click(EditorContext& ctx) {
    ctx.c.txtCadenzaSopravvivenza->setText(ctx.c.chkInvioSopravvivenza->isChecked()
                                               ? integerText(ctx.s.record.CadenzaSopravvivenza)
                                               : QStringLiteral("0"));
}

void optStatiAllarmi_Click(EditorContext& ctx) {
    ctx.s.record.InviaStati = ctx.c.optStati->isChecked() ? 1 : 0;
}

void optNumIngressi_Click(EditorContext& ctx, int member) {
    ctx.s.record.NumIngressi = static_cast<std::uint8_t>(member);
    // Which input may carry the mains-failure report depends on the inputs there are; the
    // sampling time stays as typed.
    if (ctx.c.chkSpontaneaACOff->isChecked())
        showMainsInputs(ctx);
}

void optSpontaneaIngresso_Click(EditorContext& ctx, int member) {
    ctx.s.record.SpontaneaIngresso = static_cast<std::uint8_t>(1 << (member - 1));
}

} // namespace selvana
