// Exports of ntoskrnl.exe that kernel images import but the stand-in's
// driver headers do not declare as functions: on the host build they are
// inline (RtlCompareMemory), the C library's (memcpy, memset, memcmp,
// memmove), x64-only (KeAcquireSpinLockRaiseToDpc, which KeAcquireSpinLock
// expands to on x64), or never reached by host code (KeBugCheckEx). All
// have the Windows x64 calling convention; they are called by image code
// only.
#pragma once

#include <kernel/nt_kernel.h>

namespace host::image::exports {

#define IMAGE_EXPORT __attribute__((ms_abi))

// KeAcquireSpinLock on x64: the rules of the stand-in's KfAcquireSpinLock.
IMAGE_EXPORT KIRQL KeAcquireSpinLockRaiseToDpc(PKSPIN_LOCK SpinLock);

// Stops "the machine": prints one line with the code, the parameters and the
// image function that called it (and its callers), then aborts the process.
[[noreturn]] IMAGE_EXPORT VOID KeBugCheckEx(ULONG BugCheckCode, ULONG_PTR BugCheckParameter1,
                                            ULONG_PTR BugCheckParameter2,
                                            ULONG_PTR BugCheckParameter3,
                                            ULONG_PTR BugCheckParameter4);

IMAGE_EXPORT SIZE_T RtlCompareMemory(const VOID* Source1, const VOID* Source2, SIZE_T Length);
IMAGE_EXPORT void* memcpy(void* destination, const void* source, size_t count);
IMAGE_EXPORT void* memmove(void* destination, const void* source, size_t count);
IMAGE_EXPORT void* memset(void* destination, int value, size_t count);
IMAGE_EXPORT int memcmp(const void* first, const void* second, size_t count);

#undef IMAGE_EXPORT

}  // namespace host::image::exports
