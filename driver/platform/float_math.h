// Square root, sine and cosine for the colour computations (the hue
// rotation). Call only inside a FloatingPointScope.
//
// The host build takes them from the C++ standard library. The kernel image
// links no C library: the square root is the SSE2 instruction (with
// -fno-math-errno the builtin needs no library call), sine and cosine are
// the driver's own (runtime/sine_cosine.h). tests/platform checks that, for
// every hue angle, both give the same values after rounding to single
// precision, which is all the hue rotation keeps of them.
#pragma once

#if defined(BAYERCAM_WINDOWS_KERNEL)
#include "runtime/sine_cosine.h"
inline double SquareRoot(double x) {
    return __builtin_sqrt(x);
}
inline double Sine(double x) {
    return KernelSine(x);
}
inline double Cosine(double x) {
    return KernelCosine(x);
}
#else
#include <cmath>
inline double SquareRoot(double x) {
    return std::sqrt(x);
}
inline double Sine(double x) {
    return std::sin(x);
}
inline double Cosine(double x) {
    return std::cos(x);
}
#endif
