// Double-to-integer conversion that is defined for every input.
//
// The colour computations truncate doubles toward zero into 32-bit signed
// values. A C++ cast of an out-of-range value (or NaN) is undefined, and the
// processor's own answer (0x80000000) would turn a huge positive gain into a
// huge negative one. Here out-of-range values saturate instead: above the
// largest LONG gives 0x7FFFFFFF, below the smallest gives 0x80000000, and NaN
// gives 0. Call only inside a saved floating-point state.
#pragma once

#include "../platform/kernel.h"

inline LONG TruncateToLong(double value) {
    if (!(value == value)) {
        return 0;
    }
    if (value >= 2147483648.0) {
        return 0x7FFFFFFF;
    }
    if (value <= -2147483649.0) {
        return static_cast<LONG>(-2147483647 - 1);
    }
    return static_cast<LONG>(value);
}

// Round half away from zero, then truncate as above.
inline LONG RoundHalfAwayFromZero(double value) {
    return TruncateToLong(value >= 0.0 ? value + 0.5 : value - 0.5);
}
