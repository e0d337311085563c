#include "pool_ledger.h"

#include <cstdio>

#include "pool_block.h"

namespace host {
namespace {

constexpr std::size_t kFreedMemory = 4096;

std::string addressText(const void* block) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", block);
    return text;
}

std::string quotedTag(ULONG tag) {
    return "'" + poolTagName(tag) + "'";
}

}  // namespace

std::string poolTagName(ULONG tag) {
    std::string name;
    for (int shift = 0; shift < 32; shift += 8) {
        const auto c = static_cast<char>((tag >> shift) & 0xFFU);
        name += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return name;
}

PoolLedger& poolLedger() {
    static PoolLedger* const ledger = new PoolLedger;
    return *ledger;
}

std::size_t PoolLedger::liveBlocks() const {
    std::lock_guard lock(mutex_);
    return blocks_.size();
}

std::size_t PoolLedger::liveBlocks(ULONG tag) const {
    std::lock_guard lock(mutex_);
    const auto it = totals_.find(tag);
    return it == totals_.end() ? 0 : it->second.blocks;
}

std::size_t PoolLedger::liveBytes() const {
    std::lock_guard lock(mutex_);
    std::size_t bytes = 0;
    for (const auto& [tag, totals] : totals_) {
        bytes += totals.bytes;
    }
    return bytes;
}

std::size_t PoolLedger::liveBytes(ULONG tag) const {
    std::lock_guard lock(mutex_);
    const auto it = totals_.find(tag);
    return it == totals_.end() ? 0 : it->second.bytes;
}

bool PoolLedger::balanced() const {
    std::lock_guard lock(mutex_);
    return blocks_.empty();
}

std::string PoolLedger::report() const {
    std::lock_guard lock(mutex_);
    std::string text;
    for (const auto& [tag, totals] : totals_) {
        text += poolTagName(tag) + ": " + std::to_string(totals.blocks) +
                (totals.blocks == 1 ? " block, " : " blocks, ") + std::to_string(totals.bytes) +
                (totals.bytes == 1 ? " byte\n" : " bytes\n");
    }
    return text;
}

std::size_t PoolLedger::allocations() const {
    std::lock_guard lock(mutex_);
    return allocations_;
}

std::size_t PoolLedger::injectedFailures() const {
    std::lock_guard lock(mutex_);
    return injectedFailures_;
}

void PoolLedger::failNthAllocation(std::size_t n) {
    std::lock_guard lock(mutex_);
    failCountdown_ = n;
}

void PoolLedger::failAllocationsWithTag(ULONG tag) {
    std::lock_guard lock(mutex_);
    failingTags_.insert(tag);
}

void PoolLedger::clearInjection() {
    std::lock_guard lock(mutex_);
    failCountdown_ = 0;
    failingTags_.clear();
}

void PoolLedger::reset() {
    std::lock_guard lock(mutex_);
    for (const auto& [block, info] : blocks_) {
        detail::releaseBlock(const_cast<void*>(block), info.size);
    }
    blocks_.clear();
    totals_.clear();
    allocations_ = injectedFailures_ = failCountdown_ = 0;
    failingTags_.clear();
    freedAt_.clear();
    freedOrder_.clear();
}

// Every request counts towards the n-th, including one a tag rule fails.
bool PoolLedger::injectFailure(ULONG tag) {
    const bool nth = failCountdown_ != 0 && --failCountdown_ == 0;
    return nth || failingTags_.count(tag) != 0;
}

void* PoolLedger::allocate(SIZE_T size, ULONG tag, POOL_TYPE type) {
    std::lock_guard lock(mutex_);
    if (injectFailure(tag)) {
        ++injectedFailures_;
        return nullptr;
    }
    void* block = detail::allocateBlock(size);
    if (block == nullptr) {
        return nullptr;
    }
    blocks_.emplace(block, Block{tag, size, type});
    TagTotals& totals = totals_[tag];
    ++totals.blocks;
    totals.bytes += size;
    ++allocations_;
    freedAt_.erase(block);
    return block;
}

std::string PoolLedger::release(void* block, std::optional<ULONG> expectedTag, bool pagedAllowed,
                                const char* caller) {
    std::lock_guard lock(mutex_);
    std::string broken = ruleBrokenByFree(block, expectedTag, pagedAllowed, caller);
    if (!broken.empty()) {
        return broken;
    }
    const Block info = blocks_.at(block);
    if (!detail::guardIntact(block, info.size)) {
        broken = std::string(caller) + ": block " + addressText(block) + " (tag " +
                 quotedTag(info.tag) + ", " + std::to_string(info.size) +
                 " bytes) was written past its end";
    }
    forget(block, info);
    detail::releaseBlock(block, info.size);
    rememberFreed(block);
    return broken;
}

std::string PoolLedger::ruleBrokenByFree(const void* block, std::optional<ULONG> expectedTag,
                                         bool pagedAllowed, const char* caller) const {
    const std::string prefix = std::string(caller) + ": ";
    if (block == nullptr) {
        return prefix + "null pointer";
    }
    const auto it = blocks_.find(block);
    if (it == blocks_.end()) {
        return prefix + addressText(block) +
               (freedAt_.count(block) != 0 ? " freed twice" : " was not allocated from the pool");
    }
    const Block& info = it->second;
    if (expectedTag && *expectedTag != info.tag) {
        return prefix + "block " + addressText(block) + " allocated with tag " +
               quotedTag(info.tag) + " freed with tag " + quotedTag(*expectedTag);
    }
    if (info.type == PagedPool && !pagedAllowed) {
        return prefix + "paged-pool block freed at DISPATCH_LEVEL";
    }
    return {};
}

void PoolLedger::forget(void* block, const Block& info) {
    blocks_.erase(block);
    TagTotals& totals = totals_[info.tag];
    --totals.blocks;
    totals.bytes -= info.size;
    if (totals.blocks == 0) {
        totals_.erase(info.tag);
    }
}

void PoolLedger::rememberFreed(const void* block) {
    freedAt_[block] = ++freeSequence_;
    freedOrder_.emplace_back(block, freeSequence_);
    if (freedOrder_.size() > kFreedMemory) {
        const auto [oldest, sequence] = freedOrder_.front();
        freedOrder_.pop_front();
        const auto it = freedAt_.find(oldest);
        if (it != freedAt_.end() && it->second == sequence) {
            freedAt_.erase(it);
        }
    }
}

}  // namespace host
