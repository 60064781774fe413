#pragma once

#include <cfenv>
#include <cmath>
#include <cstdint>

namespace qorn {

// Every real-to-integer conversion of the program rounds to nearest with halves to even
// (2.5 -> 2, 3.5 -> 4). std::nearbyint does exactly that in the default rounding mode.
inline double roundHalfEven(double v) { return std::nearbyint(v); }

inline int roundToInt(double v) { return static_cast<int>(std::nearbyint(v)); }

// A 16-bit integer conversion that saturates instead of wrapping; callers that must reject
// overflow check the range themselves.
inline int16_t roundToInt16(double v) {
    double r = std::nearbyint(v);
    if (std::isnan(r)) return 0;
    if (r > 32767.0) return 32767;
    if (r < -32768.0) return -32768;
    return static_cast<int16_t>(r);
}

} // namespace qorn
