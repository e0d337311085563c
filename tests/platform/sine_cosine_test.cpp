// KernelSine and KernelCosine, the kernel image's sine and cosine, against
// the C++ standard library's. The hue rotation keeps only their values
// rounded to single precision, so on every hue angle those must be equal;
// over the rest of the domain they stay within one unit in the last place.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "platform/runtime/quarter_turn_reduction.h"
#include "platform/runtime/sine_cosine.h"
#include "support/ledger_test.h"

namespace {

// The rotation angle of ColourTables::setHue: degrees * pi / 180 with its
// single-precision pi, rounded to single precision.
double HueAngle(int degrees) {
    constexpr double kPi = static_cast<double>(3.14159265358979f);
    return static_cast<double>(static_cast<float>(static_cast<double>(degrees) * kPi / 180.0));
}

float Single(double value) {
    return static_cast<float>(value);
}

// How many doubles lie between a and b (0 if equal, +0 and -0 count as equal).
std::int64_t UlpDistance(double a, double b) {
    auto ordered = [](double x) {
        const auto bits = std::bit_cast<std::int64_t>(x);
        return bits < 0 ? std::numeric_limits<std::int64_t>::min() - bits : bits;
    };
    const std::int64_t d = ordered(a) - ordered(b);
    return d < 0 ? -d : d;
}

class KernelSineCosineTest : public LedgerTest {};

TEST_F(KernelSineCosineTest, EveryHueAngleRoundsToTheStandardLibrarysSingle) {
    for (int degrees = 0; degrees < 360; ++degrees) {
        const double a = HueAngle(degrees);
        EXPECT_EQ(Single(KernelSine(a)), Single(std::sin(a))) << degrees << " degrees";
        EXPECT_EQ(Single(KernelCosine(a)), Single(std::cos(a))) << degrees << " degrees";
        EXPECT_LE(UlpDistance(KernelSine(a), std::sin(a)), 1) << degrees << " degrees";
        EXPECT_LE(UlpDistance(KernelCosine(a), std::cos(a)), 1) << degrees << " degrees";
    }
}

// A million points across [-2 pi, 2 pi], which crosses every quadrant
// boundary twice in each direction.
TEST_F(KernelSineCosineTest, DenseSweepOfTwoTurns) {
    constexpr int kPoints = 1 << 20;
    constexpr double kLimit = 2.0 * std::numbers::pi;
    std::int64_t worstSine = 0;
    std::int64_t worstCosine = 0;
    int singleMismatches = 0;
    for (int i = 0; i <= kPoints; ++i) {
        const double x = -kLimit + 2.0 * kLimit * i / kPoints;
        worstSine = std::max(worstSine, UlpDistance(KernelSine(x), std::sin(x)));
        worstCosine = std::max(worstCosine, UlpDistance(KernelCosine(x), std::cos(x)));
        singleMismatches += Single(KernelSine(x)) != Single(std::sin(x));
        singleMismatches += Single(KernelCosine(x)) != Single(std::cos(x));
    }
    EXPECT_LE(worstSine, 1);
    EXPECT_LE(worstCosine, 1);
    EXPECT_EQ(singleMismatches, 0);
}

// Next to the zeros of sine and cosine the remainder after the reduction
// is far smaller than x, and all its bits must still be right.
TEST_F(KernelSineCosineTest, NearMultiplesOfHalfPi) {
    for (int k = -8; k <= 8; ++k) {
        const double centre = k * (std::numbers::pi / 2.0);
        double x = centre;
        for (int step = 0; step < 64; ++step) {
            x = std::nextafter(x, centre + 1.0);
            EXPECT_LE(UlpDistance(KernelSine(x), std::sin(x)), 1) << x;
            EXPECT_LE(UlpDistance(KernelCosine(x), std::cos(x)), 1) << x;
        }
    }
}

TEST_F(KernelSineCosineTest, LargerArgumentsUpToTheReductionLimit) {
    constexpr int kPoints = 1 << 16;
    for (int i = 1; i < kPoints; ++i) {
        const double x = kQuarterTurnReductionLimit * i / kPoints;
        EXPECT_LE(UlpDistance(KernelSine(x), std::sin(x)), 1) << x;
        EXPECT_LE(UlpDistance(KernelCosine(-x), std::cos(-x)), 1) << x;
    }
}

TEST_F(KernelSineCosineTest, ExactValuesAndSigns) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(KernelSine(0.0)), std::bit_cast<std::uint64_t>(0.0));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(KernelSine(-0.0)), std::bit_cast<std::uint64_t>(-0.0));
    EXPECT_EQ(KernelCosine(0.0), 1.0);
    EXPECT_EQ(KernelCosine(-0.0), 1.0);
    const double tiny = std::numeric_limits<double>::denorm_min();
    EXPECT_EQ(KernelSine(tiny), tiny);
    EXPECT_EQ(KernelSine(1e-300), 1e-300);
}

TEST_F(KernelSineCosineTest, OutsideTheDomainIsNotANumber) {
    const double outside[] = {
        std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN(), kQuarterTurnReductionLimit, -1e300};
    for (double x : outside) {
        EXPECT_TRUE(std::isnan(KernelSine(x))) << x;
        EXPECT_TRUE(std::isnan(KernelCosine(x))) << x;
    }
}

}  // namespace
