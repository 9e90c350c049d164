#pragma once

#include <cmath>
#include <optional>

namespace selvana {

// The program's integer conversions round half to even; qRound and std::round do not.
inline double roundHalfEven(double v) {
    return std::nearbyint(v);
}

// Rounds half to even and checks that the result fits into [lo, hi]; NaN and infinities never fit.
inline std::optional<long long> toIntegerInRange(double v, long long lo, long long hi) {
    if (!std::isfinite(v))
        return std::nullopt;
    const double r = roundHalfEven(v);
    if (r < static_cast<double>(lo) || r > static_cast<double>(hi))
        return std::nullopt;
    return static_cast<long long>(r);
}

} // namespace selvana
