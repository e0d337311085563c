// Deterministic allocation failure: the n-th request from now, or every
// request under one tag, fails as the real pool may under pressure.
#include <kernel/host_kernel.h>

#include <vector>

#include "platform/pool.h"
#include "support/ledger_test.h"

namespace {

constexpr ULONG kTag = MakePoolTag('I', 'n', 'j', 'a');
constexpr ULONG kOtherTag = MakePoolTag('I', 'n', 'j', 'b');

class PoolInjectionTest : public LedgerTest {
  protected:
    // Allocates `count` blocks under `tag`; records which requests failed.
    std::vector<bool> allocateMany(int count, ULONG tag) {
        std::vector<bool> failed;
        for (int i = 0; i < count; ++i) {
            PVOID block = ExAllocatePoolWithTag(NonPagedPoolNx, 8, tag);
            failed.push_back(block == nullptr);
            if (block != nullptr) {
                ExFreePoolWithTag(block, tag);
            }
        }
        return failed;
    }
};

TEST_F(PoolInjectionTest, FailsOnlyTheNthRequestFromNow) {
    allocateMany(2, kTag);  // earlier requests do not count
    host::poolLedger().failNthAllocation(3);
    EXPECT_EQ(allocateMany(5, kTag), (std::vector<bool>{false, false, true, false, false}));
    EXPECT_EQ(host::poolLedger().injectedFailures(), 1U);
    EXPECT_EQ(host::poolLedger().allocations(), 6U);
}

TEST_F(PoolInjectionTest, NthCountsRequestsOfEveryTag) {
    host::poolLedger().failNthAllocation(2);
    EXPECT_EQ(allocateMany(1, kOtherTag), std::vector<bool>{false});
    EXPECT_EQ(allocateMany(1, kTag), std::vector<bool>{true});
}

TEST_F(PoolInjectionTest, FailsEveryRequestWithTheTagUntilCleared) {
    host::poolLedger().failAllocationsWithTag(kTag);
    EXPECT_EQ(allocateMany(3, kTag), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(allocateMany(1, kOtherTag), std::vector<bool>{false});

    host::poolLedger().clearInjection();
    EXPECT_EQ(allocateMany(1, kTag), std::vector<bool>{false});
}

TEST_F(PoolInjectionTest, TearDownClearsInjectionForTheNextTest) {
    host::poolLedger().failAllocationsWithTag(kTag);
    host::poolLedger().failNthAllocation(1);
    host::resetKernelForTest();
    EXPECT_EQ(allocateMany(2, kTag), (std::vector<bool>{false, false}));
}

}  // namespace
