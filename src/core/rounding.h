#pragma once

#include <cmath>

namespace core {

// The nearest integer, an exact half going to the even neighbour (74.5 gives 74, 75.5 gives 76),
// as the program's page measures and timer intervals round: the default rounding mode, which the
// program never changes.
inline double roundHalfEven(double value) {
    return std::nearbyint(value);
}

} // namespace core
