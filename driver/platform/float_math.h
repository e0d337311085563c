// Square root, sine and cosine for the colour computations (the hue
// rotation). Call only inside a FloatingPointScope. The host build takes
// them from the C++ standard library; the kernel image links its own.
#pragma once

#if defined(BAYERCAM_WINDOWS_KERNEL)
extern "C" double sqrt(double);
extern "C" double sin(double);
extern "C" double cos(double);
inline double SquareRoot(double x) {
    return sqrt(x);
}
inline double Sine(double x) {
    return sin(x);
}
inline double Cosine(double x) {
    return cos(x);
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
