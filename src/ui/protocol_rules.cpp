#include "ui/protocol_rules.h"

#include "core/fields/number_text.h"
#include "ui/editor_context.h"
#include "ui/editor_widgets.h"
#include "ui/feature_checks.h"
#include "ui/identity_fields.h"
#include "ui/network_selector.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

namespace selvana {

namespace {

void offerInputs(EditorContext& ctx, std::initializer_list<int> offered, int chosen) {
    for (const auto& [member, button] : ctx.c.optNumIngressi)
        button->setEnabled(std::find(offered.begin(), offered.end(), member) != offered.end());
    ctx.c.optNumIngressi.at(chosen)->setChecked(true);
}

void remappingOff(EditorContext& ctx) {
    ctx.c.chkRimappaturaIngressiSicep->setChecked(false);
    ctx.c.chkRimappaturaIngressiSicep->setEnabled(false);
}

void emptyAndDisable(QLineEdit* box) {
    box->setText(QString());
    box->setEnabled(false);
}

} // namespace

void cmbProtocollo_Click(EditorContext& ctx) {
    EditorControls& c = ctx.c;
    c.optAllarmi->setEnabled(true);
    c.chkDoppioSalto->setVisible(false);
    c.cmbViaTX->setEnabled(true);

    const QString protocol = c.cmbProtocollo->currentText().toUpper();
    if (protocol == QLatin1String("PROTEUS") || protocol == QLatin1String("PROTEUS-X") ||
        protocol == QLatin1String("UPR-52")) {
        offerInputs(ctx, {1, 2, 4, 8}, 4);
        remappingOff(ctx);
        // Each Hex box is emptied after its decimal box has refreshed it, so it ends empty.
        emptyAndDisable(c.txtOffsetSicep1);
        emptyAndDisable(c.txtOffsetSicepHex01);
        emptyAndDisable(c.txtOffsetSicep2);
        emptyAndDisable(c.txtOffsetSicepHex02);
    } else if (protocol == QLatin1String("UPR")) {
        offerInputs(ctx, {4}, 4);
        remappingOff(ctx);
        emptyAndDisable(c.txtOffsetSicep1); // its Hex box shows "00" through the change rule
        emptyAndDisable(c.txtOffsetSicep2);
    } else if (protocol == QLatin1String("SICEP")) {
        offerInputs(ctx, {6}, 6);
        c.chkRimappaturaIngressiSicep->setEnabled(true);
        c.chkRimappaturaIngressiSicep->setChecked(true);
        c.txtOffsetSicep1->setEnabled(true);
        c.txtOffsetSicep2->setEnabled(true);
        c.txtOffsetSicepHex01->setEnabled(false);
        c.txtOffsetSicepHex02->setEnabled(false);
        c.txtOffsetSicep1->setText(integerText(ctx.s.record.OffsetSicep1));
        c.txtOffsetSicep2->setText(integerText(ctx.s.record.OffsetSicep2));
        c.txtOffsetSicepHex01->setText(offsetHexText(c.txtOffsetSicep1->text()));
        c.txtOffsetSicepHex02->setText(offsetHexText(c.txtOffsetSicep2->text()));
        c.optStati->setChecked(true);
        c.optAllarmi->setEnabled(false);
        setListPosition(c.cmbViaTX, 0);
        c.cmbViaTX->setEnabled(false);
    }

    if (protocol == QLatin1String("PROTEUS-X")) {
        c.cmbCodiceRete->setEnabled(true);
        c.chkDoppioSalto->setVisible(true);
        selectNetwork(ctx, ctx.s.record.CodiceRete);
    } else {
        c.cmbCodiceRete->setCurrentIndex(-1);
        c.cmbCodiceRete->setEnabled(false);
        c.chkDoppioSalto->setChecked(false);
    }
    CheckCodicePeriferica(ctx);
}

void cmbViaTX_Click(EditorContext& ctx) {
    EditorControls& c = ctx.c;
    ConfigRecord& rec = ctx.s.record;
    const int path = c.cmbViaTX->currentIndex();
    if (path == 0) {
        c.chkDoppioSalto->setChecked(false);
        c.chkDoppioSalto->setEnabled(false);
        c.txtCodiceRep->setText(QString());
        c.txtCodiceRep->setEnabled(false);
        c.txtCodiceRep->setVisible(false);
        c.lblCodRep->setVisible(false);
    } else if (path == 1 || path == 2) {
        c.chkDoppioSalto->setChecked(rec.DoppioSalto);
        c.chkDoppioSalto->setEnabled(true);
        std::uint8_t& number = path == 1 ? rec.CodiceRep : rec.IngressoBidi;
        if (number == 0)
            number = 1;
        c.txtCodiceRep->setText(integerText(number));
        c.txtCodiceRep->setEnabled(true);
        c.txtCodiceRep->setVisible(true);
        c.lblCodRep->setVisible(true);
        c.lblCodRep->setText(path == 1 ? QStringLiteral("Codice REP")
                                       : QStringLiteral("Ingresso BIDI"));
    }
    CheckDoppioSalto(ctx);
    CheckToni(ctx);
}

} // namespace selvana
