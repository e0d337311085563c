// The published colour matrix for the tone settings, and when it is (not)
// recomputed.
#include <gtest/gtest.h>

#include "conversion_harness.h"
#include "kernel/host_kernel.h"
#include "support/ledger_test.h"

namespace {

using Matrix = std::array<std::array<LONG, 4>, 4>;

Matrix published(ConversionContext& context) {
    LONG m[4][4];
    context.readColorMatrix(m);
    Matrix out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out[i][j] = m[i][j];
    return out;
}

Matrix identityWithConstant(LONG diagonal, LONG constant) {
    return {{{diagonal, 0, 0, 0},
             {0, diagonal, 0, 0},
             {0, 0, diagonal, 0},
             {constant, constant, constant, 64}}};
}

struct ToneCase {
    const char* name;
    LONG colorCorrection, brightness, contrast, saturation, hue;
    Matrix expected;
};

// Names the case in test listings (the default would print its bytes).
void PrintTo(const ToneCase& c, std::ostream* os) {
    *os << c.name;
}

class ColourTablesTest : public LedgerTest, public ::testing::WithParamInterface<ToneCase> {};

TEST_P(ColourTablesTest, PublishesTheComposedMatrix) {
    const ToneCase& c = GetParam();
    ConversionContext* context = nullptr;
    ASSERT_EQ(ConversionContext::Create(&context), STATUS_SUCCESS);
    // The order stream acquisition hands the settings over in.
    context->updateColorCorrection(c.colorCorrection);
    context->updateBrightness(c.brightness);
    context->updateContrast(c.contrast);
    context->updateSaturation(c.saturation);
    context->updateHue(c.hue);
    EXPECT_EQ(published(*context), c.expected);
    ConversionContext::Destroy(context);
}

INSTANTIATE_TEST_SUITE_P(
    ToneSettings, ColourTablesTest,
    ::testing::Values(
        ToneCase{"defaults",
                 1,
                 255,
                 10,
                 10,
                 0,
                 {{{87, -16, -6, 0}, {-14, 90, -20, 0}, {-9, -10, 91, 0}, {0, 0, 0, 64}}}},
        ToneCase{"neutral", 0, 255, 10, 10, 0, identityWithConstant(64, 0)},
        ToneCase{"brightest", 0, 510, 10, 10, 0, identityWithConstant(64, 16320)},
        ToneCase{"darkest", 0, 0, 10, 10, 0, identityWithConstant(64, -16320)},
        ToneCase{"brightnessClampedAt510", 0, 9999, 10, 10, 0, identityWithConstant(64, 16320)},
        ToneCase{"contrast20", 0, 255, 20, 10, 0, identityWithConstant(128, -8192)},
        ToneCase{"contrast0", 0, 255, 0, 10, 0, identityWithConstant(0, 8192)},
        ToneCase{"saturation0",
                 0,
                 255,
                 10,
                 0,
                 0,
                 {{{20, 20, 20, 0}, {39, 39, 39, 0}, {5, 5, 5, 0}, {0, 0, 0, 64}}}},
        ToneCase{"saturation20",
                 0,
                 255,
                 10,
                 20,
                 0,
                 {{{108, -20, -20, 0}, {-39, 89, -39, 0}, {-5, -5, 123, 0}, {0, 0, 0, 64}}}},
        ToneCase{"hue180",
                 0,
                 255,
                 10,
                 10,
                 180,
                 {{{-24, 40, 40, 0}, {78, 14, 78, 0}, {10, 10, -54, 0}, {0, 0, 0, 64}}}},
        ToneCase{"brightness300Contrast20", 0, 300, 20, 10, 0, identityWithConstant(128, -2432)},
        ToneCase{"contrast20WithCorrection",
                 1,
                 255,
                 20,
                 10,
                 0,
                 {{{174, -32, -13, 0},
                   {-28, 179, -41, 0},
                   {-18, -19, 182, 0},
                   {-8192, -8192, -8192, 64}}}}),
    [](const ::testing::TestParamInfo<ToneCase>& param) { return std::string(param.param.name); });

class ToneUpdateTest : public LedgerTest {};

TEST_F(ToneUpdateTest, AnUnchangedValueRecomputesNothing) {
    Conversion c(16, 8);
    const auto before = host::floatState().saves();
    c->updateBrightness(255);
    c->updateContrast(10);
    c->updateHue(0);
    EXPECT_EQ(host::floatState().saves(), before);
    c->updateHue(30);
    EXPECT_EQ(host::floatState().saves(), before + 1);
}

TEST_F(ToneUpdateTest, HueBackToZeroRestoresThePublishedMatrix) {
    Conversion c(16, 8);
    const Matrix initial = published(c.context());
    c->updateHue(90);
    EXPECT_NE(published(c.context()), initial);
    c->updateHue(0);
    EXPECT_EQ(published(c.context()), initial);
}

TEST_F(ToneUpdateTest, WithoutFloatingPointTheSettingIsStoredButNotApplied) {
    Conversion c(16, 8);
    const Matrix initial = published(c.context());
    host::floatState().failNthSave(1);  // the next save fails
    c->updateColorCorrection(0);
    EXPECT_EQ(c->getColorCorrection(), 0);
    EXPECT_EQ(published(c.context()), initial);
    // The next successful update recomposes, but the correction matrix kept
    // its old content.
    c->updateBrightness(510);
    Matrix expected = {
        {{87, -16, -6, 0}, {-14, 90, -20, 0}, {-9, -10, 91, 0}, {16320, 16320, 16320, 64}}};
    EXPECT_EQ(published(c.context()), expected);
}

TEST_F(ToneUpdateTest, AContextBuiltWithoutFloatingPointPublishesZeros) {
    host::floatState().failNthSave(1);
    Conversion c(16, 8);
    EXPECT_EQ(published(c.context()), Matrix{});
    c->updateBrightness(510);  // the base matrix is zero too
    EXPECT_EQ(published(c.context()), Matrix{});
}

}  // namespace
