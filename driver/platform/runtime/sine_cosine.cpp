#include "sine_cosine.h"

#include "quarter_turn_reduction.h"

namespace {

constexpr double kQuarterPi = 0x1.921fb54442d18p-1;
// Below this, x^3/6 is less than half a unit in the last place of x.
constexpr double kSineIsX = 0x1p-27;

// Minimax polynomials for sine and cosine on [-pi/4, pi/4].
constexpr double kSin1 = -0x1.5555555555549p-3;
constexpr double kSin2 = 0x1.111111110f8a6p-7;
constexpr double kSin3 = -0x1.a01a019c161d5p-13;
constexpr double kSin4 = 0x1.71de357b1fe7dp-19;
constexpr double kSin5 = -0x1.ae5e68a2b9cebp-26;
constexpr double kSin6 = 0x1.5d93a5acfd57cp-33;

constexpr double kCos1 = 0x1.555555555554cp-5;
constexpr double kCos2 = -0x1.6c16c16c15177p-10;
constexpr double kCos3 = 0x1.a01a019cb1590p-16;
constexpr double kCos4 = -0x1.27e4f809c52adp-22;
constexpr double kCos5 = 0x1.1ee9ebdb4b1c4p-29;
constexpr double kCos6 = -0x1.8fae9be8838d4p-37;

// sin(x + y) for |x + y| <= pi/4, y a small correction to x.
double SinePolynomial(double x, double y) {
    const double z = x * x;
    const double w = z * z;
    const double r = kSin2 + z * (kSin3 + z * kSin4) + z * w * (kSin5 + z * kSin6);
    const double v = z * x;
    if (y == 0.0) {
        return x + v * (kSin1 + z * r);
    }
    return x - ((z * (0.5 * y - v * r) - y) - v * kSin1);
}

// cos(x + y) for |x + y| <= pi/4. 1 - z/2 is summed last, with its own
// rounding error added back, so the result keeps full precision near 1.
double CosinePolynomial(double x, double y) {
    const double z = x * x;
    const double w = z * z;
    const double r =
        z * (kCos1 + z * (kCos2 + z * kCos3)) + w * w * (kCos4 + z * (kCos5 + z * kCos6));
    const double halfZ = 0.5 * z;
    const double oneMinusHalfZ = 1.0 - halfZ;
    return oneMinusHalfZ + (((1.0 - oneMinusHalfZ) - halfZ) + (z * r - x * y));
}

bool InDomain(double x) {
    // False for NaN as well.
    return x > -kQuarterTurnReductionLimit && x < kQuarterTurnReductionLimit;
}

// sin(x + quarterTurns * pi/2) for a reduced x.
double SineOfQuadrant(int quarterTurns, double head, double tail) {
    switch (quarterTurns & 3) {
        case 0:
            return SinePolynomial(head, tail);
        case 1:
            return CosinePolynomial(head, tail);
        case 2:
            return -SinePolynomial(head, tail);
        default:
            return -CosinePolynomial(head, tail);
    }
}

}  // namespace

double KernelSine(double x) {
    if (!InDomain(x)) {
        return __builtin_nan("");
    }
    if (x > -kSineIsX && x < kSineIsX) {
        return x;  // also keeps the sign of -0
    }
    if (x >= -kQuarterPi && x <= kQuarterPi) {
        return SinePolynomial(x, 0.0);
    }
    const ReducedAngle reduced = ReduceQuarterTurns(x);
    return SineOfQuadrant(reduced.quadrant, reduced.head, reduced.tail);
}

double KernelCosine(double x) {
    if (!InDomain(x)) {
        return __builtin_nan("");
    }
    if (x >= -kQuarterPi && x <= kQuarterPi) {
        return CosinePolynomial(x, 0.0);
    }
    // cos(x) = sin(x + pi/2): one quarter turn further.
    const ReducedAngle reduced = ReduceQuarterTurns(x);
    return SineOfQuadrant(reduced.quadrant + 1, reduced.head, reduced.tail);
}
