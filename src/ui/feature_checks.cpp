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

// Which mains-failure inputs may be chosen while the mains-failure transmission is ticked.
bool mainsInputAllowed(const EditorContext& ctx, int member) {
    if (!ctx.c.chkCentralinaIntegrata->isChecked())
        return true;
    if (ctx.s.FirmwareM6 == 0)
        return member == 1 || member == 4 || member == 5 || member == 6;
    return !ctx.c.ckMaskIngressi[member - 1]->isChecked(); // a conditioned input cannot be it
}

void enableMainsInputs(EditorContext& ctx) {
    for (const auto& [member, button] : ctx.c.optSpontaneaIngresso)
        button->setEnabled(mainsInputAllowed(ctx, member));
}

// Input 1 is the fallback for a choice that is no longer allowed. With input 1 itself
// conditioned the lowest allowed input takes its place, so the editor never offers, nor writes,
// a conditioned input; with none allowed nothing is selected.
QRadioButton* fallbackMainsInput(const EditorContext& ctx) {
    for (const auto& [member, button] : ctx.c.optSpontaneaIngresso)
        if (ownEnabled(button))
            return button;
    return nullptr;
}

} // namespace

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
        enableMainsInputs(ctx);
        for (int i = 0; i <= 7; ++i) {
            if ((1 << i) == ctx.s.record.SpontaneaIngresso) {
                QRadioButton* button = c.optSpontaneaIngresso.at(i + 1);
                selectMember(c.grpSpontaneaIngresso,
                             ownEnabled(button) ? button : fallbackMainsInput(ctx));
                break;
            }
        }
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
}

void optSpontaneaIngresso_Click(EditorContext& ctx, int member) {
    ctx.s.record.SpontaneaIngresso = static_cast<std::uint8_t>(1 << (member - 1));
}

} // namespace selvana
