#include "core/options/mains_input.h"

namespace selvana {

namespace {

constexpr int kInputCount = 8;

int inputsOf(const MainsInputRule& rule) {
    return rule.inputs >= 1 && rule.inputs <= kInputCount ? rule.inputs : kInputCount;
}

bool isConditioned(const MainsInputRule& rule, int input) {
    return (rule.conditioned >> (input - 1)) & 1;
}

} // namespace

bool MainsInputRule::noInputLeft() const {
    if (!firmwareM6 || !integratedPanel)
        return false;
    for (int input = 1; input <= inputsOf(*this); ++input)
        if (!isConditioned(*this, input))
            return false;
    return true;
}

bool MainsInputRule::allows(int input) const {
    if (input < 1 || input > kInputCount)
        return false;
    if (!integratedPanel)
        return true;
    if (!firmwareM6)
        return input == 1 || input == 4 || input == 5 || input == 6;
    return !noInputLeft() && !isConditioned(*this, input);
}

int MainsInputRule::fallback() const {
    for (int input = 1; input <= inputsOf(*this); ++input)
        if (allows(input))
            return input;
    return 0;
}

std::optional<FieldError> checkMainsInput(const MainsInputRule& rule, bool mainsFailureOn) {
    if (!mainsFailureOn || !rule.noInputLeft())
        return std::nullopt;
    return FieldError{
        QStringLiteral("chkSpontaneaACOff"), QStringLiteral("Spontanea su mancanza rete"),
        QStringLiteral("Con \"Spontanea su mancanza rete\" la mancanza rete è segnalata su un "
                       "ingresso non condizionato della periferica, ma tutti i suoi ingressi sono "
                       "condizionati. Togliere il condizionamento da un ingresso oppure togliere "
                       "la spunta da \"Spontanea su mancanza rete\", poi ripetere l'operazione.")};
}

} // namespace selvana
