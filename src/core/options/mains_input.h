#pragma once

#include "core/image/field_error.h"

#include <cstdint>
#include <optional>

namespace selvana {

// What decides which input may carry the mains-failure report. With an integrated panel, a
// peripheral of firmware M6 reports nothing on a conditioned input, nor on an input it does
// not have; before M6 the panel leaves inputs 1, 4, 5 and 6; without the panel any input will do.
struct MainsInputRule {
    bool firmwareM6 = false;
    bool integratedPanel = false;
    std::uint8_t conditioned = 0; // bit i: input i + 1 is conditioned
    int inputs = 8;               // the peripheral's number of inputs; outside 1..8, 8

    // True when no input can carry the report: firmware M6, the panel, and every input up to
    // the number of inputs conditioned.
    bool noInputLeft() const;
    // Whether input 1..8 may be chosen while the mains-failure transmission is on.
    bool allows(int input) const;
    // Where a choice that is not allowed goes: the lowest allowed input the peripheral has;
    // 0 when there is none.
    int fallback() const;
};

// The collection's answer when the mains-failure transmission is on and no input can carry it:
// names "Spontanea su mancanza rete", says why and what to do.
std::optional<FieldError> checkMainsInput(const MainsInputRule& rule, bool mainsFailureOn);

} // namespace selvana
