#include "core/editor/presenter.h"

#include "core/editor/editor_state.h"
#include "core/fields/field_table.h"
#include "core/fields/number_text.h"
#include "core/networks/network_list.h"
#include "core/options/option_lists.h"
#include "core/texts/shared_texts.h"

namespace selvana::editor {

namespace {

void selectOption(EditorState& e, Array array, int member) {
    if (const auto option = memberOf(array, member))
        e.select(*option);
}

void showPath(EditorState& e) {
    const ConfigRecord& rec = e.record();
    if (rec.ViaBidirezionale != 0 || rec.CodiceRep != 0) {
        const bool bidi = rec.ViaBidirezionale != 0;
        e.setPosition(Ctl::cmbViaTX, bidi ? 2 : 1);
        e.setEnabled(Ctl::chkDoppioSalto, true);
        e.setChecked(Ctl::chkDoppioSalto, rec.ToniAlti);
        // Read after the path rule ran: it may have raised a 0 to 1.
        e.setText(Ctl::txtCodiceRep, integerText(bidi ? rec.IngressoBidi : rec.CodiceRep));
        e.setEnabled(Ctl::txtCodiceRep, true);
        FieldContext path;
        path.path = bidi ? 2 : 1;
        e.setCaption(Ctl::lblCodRep, fieldCaption(u"txtCodiceRep", path));
    } else {
        e.setPosition(Ctl::cmbViaTX, 0);
        e.setChecked(Ctl::chkDoppioSalto, false);
        e.setEnabled(Ctl::chkDoppioSalto, false);
        e.setText(Ctl::txtCodiceRep, QString());
        e.setEnabled(Ctl::txtCodiceRep, false);
        e.setCaption(Ctl::lblCodRep, QString());
    }
}

void showConditionedInputs(EditorState& e) {
    const bool m6 = e.session.FirmwareM6 == 1;
    e.setVisible(Ctl::lblIngressiCondiz, m6);
    for (Ctl mask : membersOf(Array::MaskIngressi)) {
        e.setVisible(mask, m6);
        if (m6) // the byte holds the mask inverted
            e.setChecked(mask, (e.record().MaskIngressi & (1 << infoOf(mask).member)) == 0);
    }
}

} // namespace

void DisplayData(EditorState& e) {
    const ConfigRecord& rec = e.record(); // handlers may change it between steps
    e.setVisible(Ctl::Frame11, true);
    e.setText(Ctl::txtCadenzaSopravvivenza, integerText(rec.CadenzaSopravvivenza));
    e.setText(Ctl::txtCodicePeriferica, integerText(rec.CodicePeriferica));
    e.setText(Ctl::txtFrequenzaTX, fixedText(rec.FrequenzaTX, 4));
    e.setText(Ctl::txtTempoAggancio, shortestText(rec.TempoAggancio));
    e.setText(Ctl::txtTempoCampionamentoMancanzaAC, integerText(rec.TempoCampionamentoMancanzaAC));
    e.setText(Ctl::txtTempoIngresso, integerText(rec.TempoIngresso));
    e.setText(Ctl::txtTempoSirena, integerText(rec.TempoSirena));
    e.setText(Ctl::txtTempoUscita, integerText(rec.TempoUscita));
    e.setPosition(Ctl::cmbCodiceRete, LookupReti(rec.CodiceRete, e.session.networkList));
    e.setPosition(Ctl::cmbNumTentativiTX, LookupTXMultiple(rec.NumTentativiTX));
    e.setPosition(Ctl::cmbProtocollo, LookupProtocol(rec.Protocollo));
    e.setPosition(Ctl::cmbTonoSubAudio, rec.TonoSubAudio);
    e.setVisible(Ctl::lblSerialNumber, true);
    e.setVisible(Ctl::txtSerialNumber, false);
    e.setCaption(Ctl::lblSerialNumber, rec.SerialNumber);
    e.setCaption(Ctl::lblVHFUHV, texts::bandName(rec.BandaUHF));
    e.setCaption(Ctl::lblToni, rec.ToniAlti ? QStringLiteral("Alti") : QStringLiteral("Bassi"));
    showPath(e);
    selectOption(e, Array::PotenzaRF, rec.PotenzaRF);
    selectOption(e, Array::NumIngressi, rec.NumIngressi);
    e.setChecked(Ctl::chkCentralinaIntegrata, rec.CentralinaIntegrata);
    showConditionedInputs(e);
    e.setChecked(Ctl::chkInvioSopravvivenza, rec.InvioSopravvivenza);
    e.setChecked(Ctl::chkSync, !rec.NoRisincronizza);
    e.setChecked(Ctl::chkTrasmissioniMultiple, rec.TrasmissioniMultiple);
    e.setChecked(Ctl::chkDoppioMesaggio, rec.DoppioMessaggio);
    e.select(rec.InviaStati == 1 ? Ctl::optStati : Ctl::optAllarmi);
    e.setText(Ctl::txtOffsetSicep1, integerText(rec.OffsetSicep1));
    e.setText(Ctl::txtOffsetSicepHex01, offsetHexText(e.text(Ctl::txtOffsetSicep1)));
    e.setText(Ctl::txtOffsetSicep2, integerText(rec.OffsetSicep2));
    e.setText(Ctl::txtOffsetSicepHex02, offsetHexText(e.text(Ctl::txtOffsetSicep2)));
    e.setChecked(Ctl::chkRimappaturaIngressiSicep, rec.RimappaturaIngressiSicep);
    e.setChecked(Ctl::chkSpontaneaACOff, rec.SpontaneaACOff);
}

void FillCombos(EditorState& e) {
    const OptionListItems items = optionListItems(e.session.networkList);
    e.setItems(Ctl::cmbProtocollo, items.protocollo);
    e.setItems(Ctl::cmbCodiceRete, items.codiceRete);
    e.networkItems = items.codiceRete;
    e.setItems(Ctl::cmbTonoSubAudio, items.tonoSubAudio);
    e.setItems(Ctl::cmbViaTX, items.viaTX);
    e.setItems(Ctl::cmbNumTentativiTX, items.numTentativiTX);
}

} // namespace selvana::editor
