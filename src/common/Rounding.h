#pragma once

#include <cmath>

namespace orlaneva {

// Basic's rounding: an exact half goes to the even neighbour, whatever the floating-point
// rounding mode. NaN and infinities come back unchanged.
inline double roundHalfEven(double x)
{
    double whole = std::floor(x);
    const double fraction = x - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    return whole;
}

} // namespace orlaneva
