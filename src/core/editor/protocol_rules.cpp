#include "core/editor/protocol_rules.h"

#include "core/editor/editor_state.h"
#include "core/editor/entry_checks.h"
#include "core/editor/feature_checks.h"
#include "core/fields/field_table.h"
#include "core/fields/number_text.h"
#include "core/networks/network_list.h"
#include "core/options/option_lists.h"

#include <algorithm>
#include <initializer_list>

namespace selvana::editor {

namespace {

void offerInputs(EditorState& e, std::initializer_list<int> offered, int chosen) {
    for (Ctl option : membersOf(Array::NumIngressi)) {
        const int member = infoOf(option).member;
        e.setEnabled(option, std::find(offered.begin(), offered.end(), member) != offered.end());
    }
    e.select(*memberOf(Array::NumIngressi, chosen));
}

void remappingOff(EditorState& e) {
    e.setChecked(Ctl::chkRimappaturaIngressiSicep, false);
    e.setEnabled(Ctl::chkRimappaturaIngressiSicep, false);
}

void emptyAndDisable(EditorState& e, Ctl box) {
    e.setText(box, QString());
    e.setEnabled(box, false);
}

// Selects the record's network. A code no listed network carries gets an item of its own after
// the listed ones, so it is shown and written back as it is unless the installer picks another.
void selectNetwork(EditorState& e) {
    const std::int32_t code = e.record().CodiceRete;
    int position = LookupReti(code, e.session.networkList);
    if (isUnlistedNetwork(code, e.session.networkList)) {
        const QString item = cmbCodiceReteUnlistedItem(code);
        position = static_cast<int>(e[Ctl::cmbCodiceRete].items.indexOf(item));
        if (position < 0) {
            e.appendItem(Ctl::cmbCodiceRete, item);
            position = static_cast<int>(e[Ctl::cmbCodiceRete].items.size()) - 1;
        }
    }
    e.setPosition(Ctl::cmbCodiceRete, position);
}

} // namespace

void cmbProtocollo_Click(EditorState& e) {
    e.setEnabled(Ctl::optAllarmi, true);
    e.setVisible(Ctl::chkDoppioSalto, false);
    e.setEnabled(Ctl::cmbViaTX, true);

    const QString protocol = e[Ctl::cmbProtocollo].currentText().toUpper();
    if (protocol == QLatin1String("PROTEUS") || protocol == QLatin1String("PROTEUS-X") ||
        protocol == QLatin1String("UPR-52")) {
        offerInputs(e, {1, 2, 4, 8}, 4);
        remappingOff(e);
        // Each Hex box is emptied after its decimal box has refreshed it, so it ends empty.
        emptyAndDisable(e, Ctl::txtOffsetSicep1);
        emptyAndDisable(e, Ctl::txtOffsetSicepHex01);
        emptyAndDisable(e, Ctl::txtOffsetSicep2);
        emptyAndDisable(e, Ctl::txtOffsetSicepHex02);
    } else if (protocol == QLatin1String("UPR")) {
        offerInputs(e, {4}, 4);
        remappingOff(e);
        emptyAndDisable(e, Ctl::txtOffsetSicep1); // its Hex box shows "00" through the change rule
        emptyAndDisable(e, Ctl::txtOffsetSicep2);
    } else if (protocol == QLatin1String("SICEP")) {
        offerInputs(e, {6}, 6);
        e.setEnabled(Ctl::chkRimappaturaIngressiSicep, true);
        e.setChecked(Ctl::chkRimappaturaIngressiSicep, true);
        e.setEnabled(Ctl::txtOffsetSicep1, true);
        e.setEnabled(Ctl::txtOffsetSicep2, true);
        e.setEnabled(Ctl::txtOffsetSicepHex01, false);
        e.setEnabled(Ctl::txtOffsetSicepHex02, false);
        e.setText(Ctl::txtOffsetSicep1, integerText(e.record().OffsetSicep1));
        e.setText(Ctl::txtOffsetSicep2, integerText(e.record().OffsetSicep2));
        e.setText(Ctl::txtOffsetSicepHex01, offsetHexText(e.text(Ctl::txtOffsetSicep1)));
        e.setText(Ctl::txtOffsetSicepHex02, offsetHexText(e.text(Ctl::txtOffsetSicep2)));
        e.select(Ctl::optStati);
        e.setEnabled(Ctl::optAllarmi, false);
        e.setPosition(Ctl::cmbViaTX, 0);
        e.setEnabled(Ctl::cmbViaTX, false);
    }

    if (protocol == QLatin1String("PROTEUS-X")) {
        e.setEnabled(Ctl::cmbCodiceRete, true);
        e.setVisible(Ctl::chkDoppioSalto, true);
        selectNetwork(e);
    } else {
        e.setPosition(Ctl::cmbCodiceRete, -1);
        e.setEnabled(Ctl::cmbCodiceRete, false);
        e.setChecked(Ctl::chkDoppioSalto, false);
    }
    CheckCodicePeriferica(e);
}

void cmbViaTX_Click(EditorState& e) {
    ConfigRecord& rec = e.record();
    const int path = e.position(Ctl::cmbViaTX);
    if (path == 0) {
        e.setChecked(Ctl::chkDoppioSalto, false);
        e.setEnabled(Ctl::chkDoppioSalto, false);
        e.setText(Ctl::txtCodiceRep, QString());
        e.setEnabled(Ctl::txtCodiceRep, false);
        e.setVisible(Ctl::txtCodiceRep, false);
        e.setVisible(Ctl::lblCodRep, false);
    } else if (path == 1 || path == 2) {
        e.setChecked(Ctl::chkDoppioSalto, rec.DoppioSalto);
        e.setEnabled(Ctl::chkDoppioSalto, true);
        std::uint8_t& number = path == 1 ? rec.CodiceRep : rec.IngressoBidi;
        if (number == 0)
            number = 1;
        e.setText(Ctl::txtCodiceRep, integerText(number));
        e.setEnabled(Ctl::txtCodiceRep, true);
        e.setVisible(Ctl::txtCodiceRep, true);
        e.setVisible(Ctl::lblCodRep, true);
        e.setCaption(Ctl::lblCodRep, fieldCaption(*editorField(u"txtCodiceRep"), fieldContext(e)));
    }
    CheckDoppioSalto(e);
    CheckToni(e);
}

} // namespace selvana::editor
