// camcap's progress line and its frame rate.
#include "progress_line.h"

#include <sstream>
#include <thread>

#include "capture_loop.h"
#include "support/ledger_test.h"

namespace {

using namespace std::chrono_literals;

class ProgressTest : public LedgerTest {};

TEST_F(ProgressTest, OnATerminalOneLineIsRewrittenAndEnded) {
    std::ostringstream out;
    {
        ProgressLine line(out, true, 3);
        line.update(1, std::nullopt);  // too soon after the start: skipped
        std::this_thread::sleep_for(110ms);
        line.update(2, 29.5);
        line.update(3, 30.0);  // the last frame always shows
    }
    const std::string text = out.str();
    EXPECT_EQ(text.find("captured 1"), std::string::npos) << text;
    EXPECT_TRUE(text.starts_with("\rcaptured 2 of 3 frames, 29.5 frames per second")) << text;
    EXPECT_NE(text.find("\rcaptured 3 of 3 frames, 30.0 frames per second"), std::string::npos);
    EXPECT_TRUE(text.ends_with("\n")) << "ended, so what follows starts a line";
    EXPECT_EQ(text.find('\n'), text.size() - 1);
}

TEST_F(ProgressTest, ElsewhereAShortRunPrintsNothing) {
    std::ostringstream out;
    ProgressLine line(out, false, 3);
    for (std::uint32_t i = 1; i <= 3; ++i) {
        line.update(i, 30.0);
    }
    line.finish();
    EXPECT_EQ(out.str(), "");
}

TEST_F(ProgressTest, TheRateRunsFromTheFirstFrameToTheLast) {
    CaptureTiming timing;
    EXPECT_FALSE(timing.rate());
    const auto start = CaptureTiming::Clock::now();
    timing.delivered = 1;
    timing.first = timing.last = start;
    EXPECT_FALSE(timing.rate()) << "one frame has no rate";
    timing.delivered = 11;
    timing.last = start + 500ms;
    ASSERT_TRUE(timing.rate());
    EXPECT_DOUBLE_EQ(*timing.rate(), 20.0);
}

}  // namespace
