// The stand-in pool's ledger: every live block with its tag, size and pool
// type, per-tag totals, and deterministic allocation-failure injection. It
// plays the part of Driver Verifier's pool tracking for the host build.
//
// Thread-safe: any thread may allocate, free or query at any time. The
// ledger is one process-wide object (poolLedger()), never destroyed, so
// threads still running at exit can use it.
//
// The test-facing part observes and steers it; the kernel-facing part is
// called only by ExAllocatePoolWithTag / ExFreePool(WithTag) in pool.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>

#include "nt_kernel.h"

namespace host {

// A pool tag as its four characters in memory order ("IsyR"); a character
// that is not printable shows as '?'.
std::string poolTagName(ULONG tag);

class PoolLedger {
  public:
    // ---- Test-facing -------------------------------------------------------
    std::size_t liveBlocks() const;
    std::size_t liveBlocks(ULONG tag) const;
    std::size_t liveBytes() const;
    std::size_t liveBytes(ULONG tag) const;
    // True when no block is live.
    bool balanced() const;
    // One line per tag with live blocks, "IsyR: 1 block, 4096 bytes", in
    // tag order; empty when balanced.
    std::string report() const;
    // Blocks handed out, and allocations failed by injection, since reset().
    std::size_t allocations() const;
    std::size_t injectedFailures() const;

    // Fails the n-th allocation from now (1-based, counting every request
    // whatever its tag); the ones before and after succeed. Replaces an
    // earlier failNthAllocation. n == 0 cancels it.
    void failNthAllocation(std::size_t n);
    // Fails every allocation with `tag` until clearInjection().
    void failAllocationsWithTag(ULONG tag);
    void clearInjection();

    // Forgets everything: frees the live blocks (a test that leaked has
    // already been reported), zeroes the counters, clears injection. Call
    // only while no other thread uses the pool.
    void reset();

    // ---- Kernel-facing (pool.cpp) ------------------------------------------
    // A fresh, junk-filled block recorded under `tag`; null when injection
    // fails it or the host is out of memory.
    void* allocate(SIZE_T size, ULONG tag, POOL_TYPE type);
    // Frees `block` if the rules allow. `expectedTag` is the tag given to
    // ExFreePoolWithTag (none for ExFreePool); `pagedAllowed` is false at
    // DISPATCH_LEVEL. Returns the broken rule, empty when none. On an unknown,
    // doubly freed, wrongly tagged or paged-at-dispatch block nothing is
    // freed; an overrun block is freed and reported.
    std::string release(void* block, std::optional<ULONG> expectedTag, bool pagedAllowed,
                        const char* caller);

  private:
    struct Block {
        ULONG tag;
        SIZE_T size;
        POOL_TYPE type;
    };
    struct TagTotals {
        std::size_t blocks = 0;
        std::size_t bytes = 0;
    };

    bool injectFailure(ULONG tag);
    std::string ruleBrokenByFree(const void* block, std::optional<ULONG> expectedTag,
                                 bool pagedAllowed, const char* caller) const;
    void forget(void* block, const Block& info);
    void rememberFreed(const void* block);

    mutable std::mutex mutex_;
    std::unordered_map<const void*, Block> blocks_;
    std::map<ULONG, TagTotals> totals_;
    std::size_t allocations_ = 0;
    std::size_t injectedFailures_ = 0;
    std::size_t failCountdown_ = 0;  // 0: no n-th allocation injection
    std::set<ULONG> failingTags_;
    // Recently freed addresses, to tell a double free from a stray pointer.
    // An address leaves when it is handed out again or ages out.
    std::unordered_map<const void*, std::uint64_t> freedAt_;
    std::deque<std::pair<const void*, std::uint64_t>> freedOrder_;
    std::uint64_t freeSequence_ = 0;
};

PoolLedger& poolLedger();

}  // namespace host
