// The stand-in for KUSER_SHARED_DATA, the page Windows maps read-only at
// 0xFFFFF78000000000 in kernel space. The x64 DDK's KeQueryInterruptTime,
// KeQuerySystemTime and KeQueryTickCount are macros reading it directly
// (+0x8 interrupt time, +0x14 system time, +0x320 tick count), an address
// no Linux process can map; the loader rewrites those reads to the same
// offsets in this page.
//
// The page is kept current from the stand-in's clock (KeQueryInterruptTime,
// KeQuerySystemTime of host/kernel) by an updater thread every millisecond
// (Windows updates it at each clock tick, 15.6 ms by default), so a time
// read by image code is never more than about a millisecond behind the
// stand-in's. Image code sees it read-only, as on Windows: a write faults.
//
// Shared by every loaded image: the first lease maps the page and starts
// the updater; the last one released stops it and unmaps the page.
// Thread-safe.
#pragma once

#include <cstdint>
#include <memory>

namespace host::image {

constexpr std::uint64_t kSharedUserDataAddress = 0xFFFFF78000000000ULL;
constexpr std::uint64_t kSharedUserDataSize = 0x1000;
constexpr std::uint64_t kInterruptTimeOffset = 0x8;
constexpr std::uint64_t kSystemTimeOffset = 0x14;
constexpr std::uint64_t kTickCountOffset = 0x320;
// The clock tick of KeQueryTimeIncrement: 15.625 ms in 100-ns units.
constexpr std::uint64_t kTimeIncrement = 156250;

class SharedUserData;

class SharedUserDataLease {
  public:
    SharedUserDataLease();
    ~SharedUserDataLease();
    SharedUserDataLease(const SharedUserDataLease&) = delete;
    SharedUserDataLease& operator=(const SharedUserDataLease&) = delete;

    // The page as image code reads it (read-only, current).
    const std::byte* page() const;
    // Brings the page up to date now, without waiting for the updater.
    void refresh() const;

  private:
    std::shared_ptr<SharedUserData> shared_;
};

}  // namespace host::image
