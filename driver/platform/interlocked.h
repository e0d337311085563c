// The driver's discipline for 32-bit values shared between threads: written
// with an interlocked exchange, read with an interlocked add of 0, compared
// with an interlocked compare-exchange whose exchange value is its comparand
// (so the comparison never writes a different value). Any IRQL.
#pragma once

#include "kernel.h"

inline LONG AtomicRead(LONG volatile* value) {
    return InterlockedExchangeAdd(value, 0);
}

inline void AtomicWrite(LONG volatile* value, LONG newValue) {
    InterlockedExchange(value, newValue);
}

inline bool AtomicEquals(LONG volatile* value, LONG comparand) {
    return InterlockedCompareExchange(value, comparand, comparand) == comparand;
}

// Byte-wide flags shared between threads (the pipe busy marks). The
// compiler's atomic built-ins give the same instructions the kernel's
// 8-bit interlocked intrinsics would, in both builds.
inline UCHAR AtomicReadByte(UCHAR volatile* flag) {
    return __atomic_load_n(flag, __ATOMIC_SEQ_CST);
}

inline void AtomicWriteByte(UCHAR volatile* flag, UCHAR value) {
    __atomic_store_n(flag, value, __ATOMIC_SEQ_CST);
}
