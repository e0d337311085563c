#include "pool_block.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace host::detail {

// glibc's malloc already aligns to 16 on x86-64 and AArch64.
static_assert(alignof(std::max_align_t) >= 16, "pool blocks must be 16-byte aligned");

void* allocateBlock(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kGuardBytes));
    if (block != nullptr) {
        std::memset(block, kJunkByte, size);
        std::memset(block + size, kGuardByte, kGuardBytes);
    }
    return block;
}

bool guardIntact(const void* block, std::size_t size) {
    const auto* guard = static_cast<const unsigned char*>(block) + size;
    return std::all_of(guard, guard + kGuardBytes, [](unsigned char b) { return b == kGuardByte; });
}

void releaseBlock(void* block, std::size_t size) {
    std::memset(block, kFreedByte, size + kGuardBytes);
    std::free(block);
}

}  // namespace host::detail
