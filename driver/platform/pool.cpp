#include "pool.h"

PVOID AllocZeroed(SIZE_T size, POOL_TYPE poolType) {
    return AllocZeroedTagged(size, poolType, kObjectPoolTag);
}

PVOID AllocZeroedTagged(SIZE_T size, POOL_TYPE poolType, ULONG tag) {
    PVOID block = ExAllocatePoolWithTag(poolType, size, tag);
    if (block != nullptr) {
        RtlZeroMemory(block, size);
    }
    return block;
}

void FreeBlock(PVOID block) {
    if (block != nullptr) {
        ExFreePool(block);
    }
}

void FreeTaggedBlock(PVOID block, ULONG tag) {
    if (block != nullptr) {
        ExFreePoolWithTag(block, tag);
    }
}
