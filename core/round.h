#pragma once
// Rounding shared by the grid and bar arithmetic: nearest integer, ties to the even one.
#include <cmath>
#include <cstdint>

namespace quelm {

inline std::int64_t Round(double x) {
    return static_cast<std::int64_t>(std::nearbyint(x)); // default rounding mode: ties to even
}

} // namespace quelm
