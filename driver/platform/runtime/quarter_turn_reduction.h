// Argument reduction for the kernel image's sine and cosine: writes x as
// quadrant * pi/2 + (head + tail) with |head + tail| <= pi/4 (a little more
// at the rounding edges). head + tail carries the remainder to well over
// double precision, which the polynomials need near the zeros of sine and
// cosine, where the remainder is much smaller than x.
//
// Exact enough for |x| < kQuarterTurnReductionLimit (about 1.6e6); the
// driver's angles stay within 2 pi.
#pragma once

constexpr double kQuarterTurnReductionLimit = 0x1.921fb54442d18p+20;  // 2^20 * pi/2

struct ReducedAngle {
    int quadrant;  // modulo 4 selects the polynomial and the sign
    double head;
    double tail;
};

// |x| < kQuarterTurnReductionLimit.
ReducedAngle ReduceQuarterTurns(double x);
