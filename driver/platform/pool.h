// Non-paged pool allocation with the driver's pool tags.
//
// Every block the driver owns comes from here, zero-filled. A block is freed
// under the tag it was allocated with: FreeBlock for blocks from AllocZeroed
// (the untagged free, as the device's object bags use it), FreeTaggedBlock
// for blocks from AllocZeroedTagged. Callable at IRQL <= DISPATCH_LEVEL.
#pragma once

#include "kernel.h"

// Pool tags are named by their four characters in memory order; on a
// little-endian machine the first character is the low byte.
constexpr ULONG MakePoolTag(char a, char b, char c, char d) {
    return static_cast<ULONG>(static_cast<UCHAR>(a)) |
           (static_cast<ULONG>(static_cast<UCHAR>(b)) << 8) |
           (static_cast<ULONG>(static_cast<UCHAR>(c)) << 16) |
           (static_cast<ULONG>(static_cast<UCHAR>(d)) << 24);
}

// Zero-filled objects: device context, worker, filter and pin contexts.
constexpr ULONG kObjectPoolTag = MakePoolTag('K', 'C', 'N', 'w');
// The per-stream ConversionContext.
constexpr ULONG kConversionPoolTag = MakePoolTag('I', 's', 'y', 'R');
// USB request blocks and descriptors.
constexpr ULONG kUsbPoolTag = MakePoolTag('Z', 'V', 'X', 'Q');
// Frame-sized buffers and the pin's private descriptor copies.
constexpr ULONG kFramePoolTag = MakePoolTag('Q', 'P', 'Z', 'h');

// Allocates `size` zero-filled bytes under kObjectPoolTag; null on failure.
PVOID AllocZeroed(SIZE_T size, POOL_TYPE poolType);

// The same under the caller's tag.
PVOID AllocZeroedTagged(SIZE_T size, POOL_TYPE poolType, ULONG tag);

// Frees a block with the untagged pool free; a null pointer is ignored.
void FreeBlock(PVOID block);

// Frees a block under the tag it was allocated with; a null pointer is ignored.
void FreeTaggedBlock(PVOID block, ULONG tag);
