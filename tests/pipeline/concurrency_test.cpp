// Settings change while frames convert: a frame never sees a half-published
// matrix, and concurrent tone updates leave the matrix their final settings
// describe.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "conversion_harness.h"
#include "support/ledger_test.h"

namespace {

class ConversionConcurrencyTest : public LedgerTest {};

TEST_F(ConversionConcurrencyTest, FramesTakeTheMatrixWhole) {
    // With correction off, brightness 0 makes every channel 0 and brightness
    // 510 makes every channel 255; a torn matrix would mix the two.
    Conversion c(32, 16);
    c->updateColorCorrection(0);
    const RawImage raw = flatRaw(32, 16, 100);
    std::atomic<bool> stop{false};
    std::thread updater([&] {
        for (int i = 0; !stop; ++i) c->updateBrightness((i % 2) ? 510 : 0);
    });
    for (int frames = 0; frames < 500; ++frames) {
        c.convert(raw);
        const Bgrx first = c.pixel(0, 0);
        ASSERT_TRUE(first == (Bgrx{0, 0, 0, 255}) || first == (Bgrx{255, 255, 255, 255}) ||
                    first == (Bgrx{100, 100, 100, 255}));
        for (unsigned y = 0; y < 16; ++y)
            for (unsigned x = 0; x < 32; ++x) ASSERT_EQ(c.pixel(x, y), first);
    }
    stop = true;
    updater.join();
}

TEST_F(ConversionConcurrencyTest, ConcurrentToneUpdatesEndInTheFinalMatrix) {
    Conversion c(16, 8);
    std::thread hue([&] {
        for (int i = 0; i <= 300; ++i) c->updateHue(i % 360);
    });
    std::thread contrast([&] {
        for (int i = 0; i <= 300; ++i) c->updateContrast(i % 21);
    });
    hue.join();
    contrast.join();
    LONG concurrent[4][4];
    c->readColorMatrix(concurrent);

    Conversion sequential(16, 8);
    sequential->updateHue(300 % 360);
    sequential->updateContrast(300 % 21);
    LONG expected[4][4];
    sequential->readColorMatrix(expected);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(concurrent[i][j], expected[i][j]);
}

}  // namespace
