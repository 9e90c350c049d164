#include "ui/presenter.h"

#include "core/fields/number_text.h"
#include "core/options/option_lists.h"
#include "ui/editor_context.h"
#include "ui/editor_widgets.h"
#include "ui/network_selector.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

namespace selvana {

namespace {

template <typename Members> void selectOption(const Members& members, int member) {
    const auto it = members.find(member);
    if (it != members.end())
        it->second->setChecked(true);
}

void showPath(EditorContext& ctx) {
    EditorControls& c = ctx.c;
    const ConfigRecord& rec = ctx.s.record;
    if (rec.ViaBidirezionale != 0 || rec.CodiceRep != 0) {
        const bool bidi = rec.ViaBidirezionale != 0;
        setListPosition(c.cmbViaTX, bidi ? 2 : 1);
        c.chkDoppioSalto->setEnabled(true);
        c.chkDoppioSalto->setChecked(rec.ToniAlti);
        // Read after the path rule ran: it may have raised a 0 to 1.
        c.txtCodiceRep->setText(
            integerText(bidi ? ctx.s.record.IngressoBidi : ctx.s.record.CodiceRep));
        c.txtCodiceRep->setEnabled(true);
        c.lblCodRep->setText(bidi ? QStringLiteral("Ingresso BIDI") : QStringLiteral("Codice REP"));
    } else {
        setListPosition(c.cmbViaTX, 0);
        c.chkDoppioSalto->setChecked(false);
        c.chkDoppioSalto->setEnabled(false);
        c.txtCodiceRep->setText(QString());
        c.txtCodiceRep->setEnabled(false);
        c.lblCodRep->setText(QString());
    }
}

void showConditionedInputs(EditorContext& ctx) {
    EditorControls& c = ctx.c;
    const bool m6 = ctx.s.FirmwareM6 == 1;
    c.lblIngressiCondiz->setVisible(m6);
    for (int i = 0; i < 8; ++i) {
        c.ckMaskIngressi[i]->setVisible(m6);
        if (m6) // the byte holds the mask inverted
            c.ckMaskIngressi[i]->setChecked((ctx.s.record.MaskIngressi & (1 << i)) == 0);
    }
}

} // namespace

void DisplayData(EditorContext& ctx) {
    EditorControls& c = ctx.c;
    const ConfigRecord& rec = ctx.s.record; // handlers may change it between steps

    c.Frame11->setVisible(true); // 1
    c.Frame11->lower();
    c.txtCadenzaSopravvivenza->setText(integerText(rec.CadenzaSopravvivenza));                 // 2
    c.txtCodicePeriferica->setText(integerText(rec.CodicePeriferica));                         // 3
    c.txtFrequenzaTX->setText(fixedText(rec.FrequenzaTX, 4));                                  // 4
    c.txtTempoAggancio->setText(shortestText(rec.TempoAggancio));                              // 5
    c.txtTempoCampionamentoMancanzaAC->setText(integerText(rec.TempoCampionamentoMancanzaAC)); // 6
    c.txtTempoIngresso->setText(integerText(rec.TempoIngresso));                               // 7
    c.txtTempoSirena->setText(integerText(rec.TempoSirena));
    c.txtTempoUscita->setText(integerText(rec.TempoUscita));
    selectNetwork(ctx, rec.CodiceRete);                                         // 8
    setListPosition(c.cmbNumTentativiTX, LookupTXMultiple(rec.NumTentativiTX)); // 9
    setListPosition(c.cmbProtocollo, LookupProtocol(rec.Protocollo));           // 10
    setListPosition(c.cmbTonoSubAudio, rec.TonoSubAudio);                       // 11
    c.lblSerialNumber->setVisible(true);                                        // 12
    c.txtSerialNumber->setVisible(false);
    c.lblSerialNumber->setText(rec.SerialNumber);                                            // 13
    c.lblVHFUHV->setText(rec.BandaUHF == 0 ? QStringLiteral("VHF") : QStringLiteral("UHF")); // 14
    c.lblToni->setText(rec.ToniAlti ? QStringLiteral("Alti") : QStringLiteral("Bassi"));     // 15
    showPath(ctx);                                                                           // 16
    selectOption(c.optPotenzaRF, rec.PotenzaRF);                                             // 17
    selectOption(c.optNumIngressi, rec.NumIngressi);                                         // 18
    c.chkCentralinaIntegrata->setChecked(rec.CentralinaIntegrata);                           // 19
    showConditionedInputs(ctx);                                                              // 20
    c.chkInvioSopravvivenza->setChecked(rec.InvioSopravvivenza);                             // 21
    c.chkSync->setChecked(!rec.NoRisincronizza);                                             // 22
    c.chkTrasmissioniMultiple->setChecked(rec.TrasmissioniMultiple);                         // 23
    c.chkDoppioMesaggio->setChecked(rec.DoppioMessaggio);                                    // 24
    const bool states = rec.InviaStati == 1;                                                 // 25
    if (states)
        c.optStati->setChecked(true);
    else
        c.optAllarmi->setChecked(true);
    c.txtOffsetSicep1->setText(integerText(rec.OffsetSicep1));                // 26
    c.txtOffsetSicepHex01->setText(offsetHexText(c.txtOffsetSicep1->text())); // 27
    c.txtOffsetSicep2->setText(integerText(rec.OffsetSicep2));                // 28
    c.txtOffsetSicepHex02->setText(offsetHexText(c.txtOffsetSicep2->text()));
    c.chkRimappaturaIngressiSicep->setChecked(rec.RimappaturaIngressiSicep); // 29
    c.chkSpontaneaACOff->setChecked(rec.SpontaneaACOff);                     // 30
}

} // namespace selvana
