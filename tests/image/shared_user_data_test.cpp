// The stand-in's KUSER_SHARED_DATA: the times image code reads there follow
// the stand-in's clock, keep moving without anyone asking, and the page is
// read-only to its readers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include <image/shared_user_data.h>
#include <kernel/nt_kernel.h>

namespace {

using host::image::SharedUserDataLease;

std::uint64_t readAligned(const std::byte* page, std::uint64_t offset) {
    return __atomic_load_n(reinterpret_cast<const std::uint64_t*>(page + offset), __ATOMIC_ACQUIRE);
}

TEST(SharedUserData, HoldsTheStandInsInterruptSystemAndTickTimes) {
    SharedUserDataLease lease;
    const ULONGLONG before = KeQueryInterruptTime();
    LARGE_INTEGER systemBefore;
    KeQuerySystemTime(&systemBefore);
    lease.refresh();
    const std::uint64_t interrupt = readAligned(lease.page(), host::image::kInterruptTimeOffset);
    EXPECT_GE(interrupt, before);
    EXPECT_LE(interrupt, KeQueryInterruptTime());
    // KSYSTEM_TIME: High2Time, after the 8 bytes, repeats the high part.
    std::uint32_t high2 = 0;
    std::memcpy(&high2, lease.page() + host::image::kInterruptTimeOffset + 8, 4);
    EXPECT_EQ(high2, interrupt >> 32);

    std::uint64_t system = 0;
    std::memcpy(&system, lease.page() + host::image::kSystemTimeOffset, 8);
    EXPECT_GE(system, static_cast<std::uint64_t>(systemBefore.QuadPart));
    EXPECT_LT(system, static_cast<std::uint64_t>(systemBefore.QuadPart) + 10'000'000);

    const std::uint64_t ticks = readAligned(lease.page(), host::image::kTickCountOffset);
    EXPECT_LE(ticks, KeQueryInterruptTime() / host::image::kTimeIncrement);
    EXPECT_GE(ticks + 1, interrupt / host::image::kTimeIncrement);
}

TEST(SharedUserData, KeepsCurrentOnItsOwn) {
    SharedUserDataLease lease;
    const std::uint64_t first = readAligned(lease.page(), host::image::kInterruptTimeOffset);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::uint64_t later = readAligned(lease.page(), host::image::kInterruptTimeOffset);
    EXPECT_GE(later - first, 10 * 10'000U) << "moved less than 10 ms in 20 ms";
}

TEST(SharedUserData, LeasesShareOnePage) {
    SharedUserDataLease first;
    SharedUserDataLease second;
    EXPECT_EQ(first.page(), second.page());
}

TEST(SharedUserDataDeathTest, ThePageIsReadOnlyToItsReaders) {
    SharedUserDataLease lease;
    auto* page = const_cast<std::byte*>(lease.page());
    EXPECT_DEATH(*reinterpret_cast<volatile std::uint64_t*>(page + 8) = 1, "");
}

}  // namespace
