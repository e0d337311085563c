#include "quarter_turn_reduction.h"

namespace {

// pi/2 split into pieces of 33 significant bits (each times a quadrant
// count below 2^20 is exact) and the rest after each piece.
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
constexpr double kHalfPi1 = 0x1.921fb54400000p+0;
constexpr double kHalfPi1Rest = 0x1.0b4611a626331p-34;
constexpr double kHalfPi2 = 0x1.0b4611a600000p-34;
constexpr double kHalfPi2Rest = 0x1.3198a2e037073p-69;
constexpr double kHalfPi3 = 0x1.3198a2e000000p-69;
constexpr double kHalfPi3Rest = 0x1.b839a252049c1p-104;

int BiasedExponent(double x) {
    const auto bits = __builtin_bit_cast(unsigned long long, x);
    return static_cast<int>((bits >> 52) & 0x7ff);
}

// x - n * pi/2 so far: r - rest.
struct Remainder {
    double r;
    double rest;
};

// One more piece of pi/2 off the remainder: r - n * piece, with the
// rounding error of that subtraction moved into rest, which becomes the
// part of pi/2 beyond the piece, times n.
Remainder SubtractPiece(double n, double piece, double pieceRest, double r) {
    const double w = n * piece;
    const double next = r - w;
    return Remainder{next, n * pieceRest - ((r - next) - w)};
}

}  // namespace

ReducedAngle ReduceQuarterTurns(double x) {
    const double ax = x < 0.0 ? -x : x;
    const int quadrant = static_cast<int>(ax * kTwoOverPi + 0.5);
    const double n = static_cast<double>(quadrant);

    // ax - n * kHalfPi1 is exact.
    Remainder remainder{ax - n * kHalfPi1, n * kHalfPi1Rest};
    double head = remainder.r - remainder.rest;

    // Near a multiple of pi/2 the subtraction cancels most bits of x, and
    // the remainder needs more of pi/2: a second piece when more than 16
    // bits cancelled, a third when more than 49 did. (The third drops the
    // second's rounding error, which is zero when that many bits cancel.)
    const int exponent = BiasedExponent(ax);
    if (exponent - BiasedExponent(head) > 16) {
        remainder = SubtractPiece(n, kHalfPi2, kHalfPi2Rest, remainder.r);
        head = remainder.r - remainder.rest;
        if (exponent - BiasedExponent(head) > 49) {
            remainder = SubtractPiece(n, kHalfPi3, kHalfPi3Rest, remainder.r);
            head = remainder.r - remainder.rest;
        }
    }
    const double tail = (remainder.r - head) - remainder.rest;

    if (x < 0.0) {
        return ReducedAngle{-quadrant, -head, -tail};
    }
    return ReducedAngle{quadrant, head, tail};
}
