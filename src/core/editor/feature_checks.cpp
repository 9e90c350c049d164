#include "core/editor/feature_checks.h"

#include "core/editor/editor_state.h"
#include "core/fields/number_text.h"

namespace selvana::editor {

namespace {

constexpr int kInputCount = 8;

QString tonesCaption(bool high) {
    return high ? QStringLiteral("Alti") : QStringLiteral("Bassi");
}

Ctl mainsInput(int input) {
    return *memberOf(Array::SpontaneaIngresso, input);
}

bool conditioned(const EditorState& e, int input) {
    return e.checked(*memberOf(Array::MaskIngressi, input - 1));
}

// Conditioning decides the mains-failure input only with firmware M6 and the panel.
bool conditioningApplies(const EditorState& e) {
    return e.checked(Ctl::chkCentralinaIntegrata) && e.session.FirmwareM6 != 0;
}

// The peripheral's number of inputs; a number outside 1..8 tells nothing, so all eight count.
int inputsOfPeripheral(const EditorState& e) {
    const int inputs = e.record().NumIngressi;
    return inputs >= 1 && inputs <= kInputCount ? inputs : kInputCount;
}

bool everyInputConditioned(const EditorState& e) {
    for (int input = 1; input <= inputsOfPeripheral(e); ++input)
        if (!conditioned(e, input))
            return false;
    return true;
}

// Which mains-failure inputs may be chosen while the mains-failure transmission is ticked.
bool mainsInputAllowed(const EditorState& e, int input) {
    if (!e.checked(Ctl::chkCentralinaIntegrata))
        return true;
    if (e.session.FirmwareM6 == 0)
        return input == 1 || input == 4 || input == 5 || input == 6;
    // A conditioned input cannot be it; when all the peripheral's inputs are, none can.
    return !everyInputConditioned(e) && !conditioned(e, input);
}

void enableMainsInputs(EditorState& e) {
    for (int input = 1; input <= kInputCount; ++input)
        e.setEnabled(mainsInput(input), mainsInputAllowed(e, input));
}

// Input 1 takes the place of a choice that is no longer allowed. Under conditioning the
// lowest input of the peripheral that is not conditioned does, so the editor never offers, nor
// writes, a conditioned input; with none such nothing is selected.
std::optional<Ctl> fallbackMainsInput(const EditorState& e) {
    if (conditioningApplies(e)) {
        for (int input = 1; input <= inputsOfPeripheral(e); ++input)
            if (!conditioned(e, input))
                return mainsInput(input);
        return std::nullopt;
    }
    for (int input = 1; input <= kInputCount; ++input)
        if (e.enabled(mainsInput(input)))
            return mainsInput(input);
    return std::nullopt;
}

void selectMainsInput(EditorState& e, std::optional<Ctl> option) {
    if (option)
        e.select(*option);
    else
        e.clearSelection(Array::SpontaneaIngresso);
}

// Enables the inputs that may carry the report and selects the record's one, or the fallback
// when that one may not be chosen; a record naming no input leaves the selection alone.
void showMainsInputs(EditorState& e) {
    enableMainsInputs(e);
    for (int input = 1; input <= kInputCount; ++input) {
        if ((1 << (input - 1)) == e.record().SpontaneaIngresso) {
            const Ctl option = mainsInput(input);
            selectMainsInput(e, e.enabled(option) ? option : fallbackMainsInput(e));
            break;
        }
    }
}

} // namespace

bool mainsFailureInputImpossible(const EditorState& e) {
    return e.checked(Ctl::chkSpontaneaACOff) && conditioningApplies(e) && everyInputConditioned(e);
}

void CheckCentralina(EditorState& e) {
    const Ctl times[] = {Ctl::txtTempoIngresso, Ctl::txtTempoUscita, Ctl::txtTempoSirena};
    if (e.checked(Ctl::chkCentralinaIntegrata)) {
        e.setText(Ctl::txtTempoIngresso, integerText(e.record().TempoIngresso));
        e.setText(Ctl::txtTempoUscita, integerText(e.record().TempoUscita));
        e.setText(Ctl::txtTempoSirena, integerText(e.record().TempoSirena));
        for (Ctl box : times)
            e.setVisible(box, true);
        for (Ctl mask : membersOf(Array::MaskIngressi))
            e.setEnabled(mask, true);
        if (e.checked(Ctl::chkSpontaneaACOff)) {
            enableMainsInputs(e);
            for (Ctl option : membersOf(Array::SpontaneaIngresso)) {
                if (e.checked(option) && !e.enabled(option)) {
                    selectMainsInput(e, fallbackMainsInput(e));
                    break;
                }
            }
        }
    } else {
        if (e.checked(Ctl::chkSpontaneaACOff))
            for (Ctl option : membersOf(Array::SpontaneaIngresso))
                e.setEnabled(option, true);
        for (Ctl mask : membersOf(Array::MaskIngressi))
            e.setEnabled(mask, false);
        for (Ctl box : times)
            e.setVisible(box, false);
    }
}

void CheckSpontaneaACOff(EditorState& e) {
    const Ctl sampling = Ctl::txtTempoCampionamentoMancanzaAC;
    if (e.checked(Ctl::chkSpontaneaACOff)) {
        e.setText(sampling, integerText(e.record().TempoCampionamentoMancanzaAC));
        e.setEnabled(sampling, true);
        showMainsInputs(e);
    } else {
        e.setText(sampling, QString());
        e.setEnabled(sampling, false);
        e.clearSelection(Array::SpontaneaIngresso);
        for (Ctl option : membersOf(Array::SpontaneaIngresso))
            e.setEnabled(option, false);
    }
}

void CheckDoppioSalto(EditorState& e) {
    e.record().ToniAlti = e.position(Ctl::cmbViaTX) == 0 || e.checked(Ctl::chkDoppioSalto);
    e.setCaption(Ctl::lblToni, tonesCaption(e.record().ToniAlti));
}

void CheckToni(EditorState& e) {
    const bool direct = e.position(Ctl::cmbViaTX) == 0;
    e.setCaption(Ctl::lblToni, tonesCaption(direct || e.checked(Ctl::chkDoppioSalto)));
}

void CheckTrasmissioniMultiple(EditorState& e) {
    if (e.checked(Ctl::chkTrasmissioniMultiple)) {
        e.setEnabled(Ctl::cmbNumTentativiTX, true);
        e.setEnabled(Ctl::chkDoppioMesaggio, true);
    } else {
        e.setPosition(Ctl::cmbNumTentativiTX, 0);
        e.setEnabled(Ctl::cmbNumTentativiTX, false);
        e.setChecked(Ctl::chkDoppioMesaggio, false);
        e.setEnabled(Ctl::chkDoppioMesaggio, false);
    }
}

void runFeatureChecks(EditorState& e) {
    CheckToni(e);
    CheckDoppioSalto(e);
    CheckTrasmissioniMultiple(e);
    CheckCentralina(e);
    CheckSpontaneaACOff(e);
}

void chkDoppioSalto_Click(EditorState& e) {
    CheckDoppioSalto(e);
    CheckToni(e);
}

void chkInvioSopravvivenza_Click(EditorState& e) {
    e.setText(Ctl::txtCadenzaSopravvivenza, e.checked(Ctl::chkInvioSopravvivenza)
                                                ? integerText(e.record().CadenzaSopravvivenza)
                                                : QStringLiteral("0"));
}

void optStatiAllarmi_Click(EditorState& e) {
    e.record().InviaStati = e.checked(Ctl::optStati) ? 1 : 0;
}

void optNumIngressi_Click(EditorState& e, int member) {
    e.record().NumIngressi = static_cast<std::uint8_t>(member);
    // Which input may carry the mains-failure report depends on the inputs there are; the
    // sampling time stays as typed.
    if (e.checked(Ctl::chkSpontaneaACOff))
        showMainsInputs(e);
}

void optSpontaneaIngresso_Click(EditorState& e, int member) {
    e.record().SpontaneaIngresso = static_cast<std::uint8_t>(1 << (member - 1));
}

} // namespace selvana::editor
