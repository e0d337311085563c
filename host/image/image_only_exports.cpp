// The image-only exports but KeBugCheckEx (bug_check.cpp).
#include "image_only_exports.h"

#include <cstring>

namespace host::image::exports {

KIRQL KeAcquireSpinLockRaiseToDpc(PKSPIN_LOCK SpinLock) {
    return KfAcquireSpinLock(SpinLock);
}

SIZE_T RtlCompareMemory(const VOID* Source1, const VOID* Source2, SIZE_T Length) {
    return ::RtlCompareMemory(Source1, Source2, Length);
}

// Through the C library, so that the sanitizers check the image's copies.
void* memcpy(void* destination, const void* source, size_t count) {
    return std::memcpy(destination, source, count);
}

void* memmove(void* destination, const void* source, size_t count) {
    return std::memmove(destination, source, count);
}

void* memset(void* destination, int value, size_t count) {
    return std::memset(destination, value, count);
}

int memcmp(const void* first, const void* second, size_t count) {
    return std::memcmp(first, second, count);
}

}  // namespace host::image::exports
