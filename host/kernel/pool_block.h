// The memory behind one pool block on the stand-in.
//
// A fresh block is filled with kJunkByte, so code that reads memory it never
// wrote (forgetting to zero) sees garbage rather than lucky zeros. Outside
// AddressSanitizer builds a guard of kGuardBytes follows the block and is
// checked on free, catching overruns late but loudly; under ASan the guard
// is left out so ASan reports the overrun at the faulting write. A freed
// block is filled with kFreedByte before it goes back to the C heap.
//
// Called by the pool ledger with its lock held; no state of its own.
#pragma once

#include <cstddef>

namespace host::detail {

constexpr unsigned char kJunkByte = 0xCD;
constexpr unsigned char kGuardByte = 0xFD;
constexpr unsigned char kFreedByte = 0xDD;

#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kGuardBytes = 0;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr std::size_t kGuardBytes = 0;
#else
constexpr std::size_t kGuardBytes = 16;
#endif
#else
constexpr std::size_t kGuardBytes = 16;
#endif

// 16-byte aligned, as x64 pool is; null when the host is out of memory.
void* allocateBlock(std::size_t size);
// False if something wrote past the block's `size` bytes.
bool guardIntact(const void* block, std::size_t size);
void releaseBlock(void* block, std::size_t size);

}  // namespace host::detail
