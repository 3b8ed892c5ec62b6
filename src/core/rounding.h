#pragma once

#include <cmath>

namespace core {

// The nearest integer, an exact half going to the even neighbour (74.5 gives 74, 75.5 gives 76),
// as the program's page measures and timer intervals round.
inline double roundHalfEven(double value) {
    const double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0))
        return whole + 1;
    return whole;
}

} // namespace core
