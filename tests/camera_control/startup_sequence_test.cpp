// The start-up register sequence as data: replayed into a register file,
// it writes what the sensor expects, in order, and nothing else.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "camera/startup_sequence.h"
#include "support/ledger_test.h"
#include "usb/command_packets.h"

namespace {

struct Replay {
    std::array<ULONG, 1024> shadow{};
    std::array<int, 1024> writes{};
    std::vector<USHORT> order;

    void write(USHORT address, ULONG value) {
        shadow[address] = value;
        ++writes[address];
        order.push_back(address);
    }
};

Replay replaySequence() {
    Replay r;
    r.write(kStartupModeRegister, kStartupModeBefore);
    for (ULONG i = 0; i < kStartupRunCount; ++i) {
        const RegisterRun& run = kStartupRuns[i];
        for (ULONG k = 0; k < run.count; ++k) {
            r.write(USHORT(run.firstAddress + k), RunValue(run, k));
        }
    }
    return r;
}

class StartupSequenceTest : public LedgerTest {};

TEST_F(StartupSequenceTest, WritesEveryRegisterButTheUnusedOnes) {
    const Replay r = replaySequence();
    EXPECT_EQ(r.order.size(), kStartupWriteCount);
    for (unsigned a = 0; a < 1024; ++a) {
        const bool unused = (a == 63) || (a >= 164 && a <= 255);
        const int expected = unused ? 0 : (a == 32 || a == 393 || a == 394) ? 2 : 1;
        EXPECT_EQ(r.writes[a], expected) << "register " << a;
        EXPECT_EQ(r.shadow[a] & ~RegisterDataMask(a), 0u) << "register " << a << " too wide";
    }
}

TEST_F(StartupSequenceTest, LeavesTheKnownValuesBehind) {
    const Replay r = replaySequence();
    EXPECT_EQ(r.shadow[394], 0x3E03E9u);
    EXPECT_EQ(r.shadow[393], 0x08F3E9u);
    EXPECT_EQ(r.shadow[989], 0x3FE6FEu);
    EXPECT_EQ(r.shadow[990], 0u);
    EXPECT_EQ(r.shadow[512], 0x036030u);
    EXPECT_EQ(r.shadow[35], 0x17u);
    EXPECT_EQ(r.shadow[46], 0x02u);
    EXPECT_EQ(r.shadow[32], 11u);
    EXPECT_EQ(r.shadow[33], 0u);
    EXPECT_EQ(r.shadow[34], 1u);
    // Global gain 2 | 7 << 6 = 450; exposure registers 152..163.
    EXPECT_EQ(r.shadow[6], 2u);
    EXPECT_EQ(r.shadow[7], 7u);
    const ULONG exposure[12] = {1, 0, 0, 3, 0, 1, 4, 0, 0, 0, 0, 0};
    for (unsigned i = 0; i < 12; ++i) EXPECT_EQ(r.shadow[152 + i], exposure[i]) << 152 + i;
    EXPECT_EQ(r.shadow[140], 51u);
    EXPECT_EQ(r.shadow[143], 29u);
    EXPECT_EQ(r.shadow[47], 9u);
    EXPECT_EQ(r.shadow[49], 6u);
    EXPECT_EQ(r.shadow[1], 8u);
    EXPECT_EQ(r.shadow[28], 4u);
}

TEST_F(StartupSequenceTest, RunsInTheSensorsOrder) {
    const Replay r = replaySequence();
    ASSERT_EQ(r.order.size(), kStartupWriteCount);
    EXPECT_EQ(r.order.front(), 32);
    EXPECT_EQ(r.order[1], 35);                     // after the pulse and the delay
    EXPECT_EQ(r.order[13], 512);                   // the timing table follows 35..46
    EXPECT_EQ(r.order[13 + 512], 256);             // then 256..383
    EXPECT_EQ(r.order[13 + 512 + 128], 384);       // then 384..394
    EXPECT_EQ(r.order[13 + 512 + 128 + 11], 393);  // 393 and 394 once more
    EXPECT_EQ(r.order[13 + 512 + 128 + 12], 394);
    EXPECT_EQ(r.order.back(), 32);
}

}  // namespace
