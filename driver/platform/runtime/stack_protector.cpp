// The stack guard of -fstack-protector-strong (windows/kernel_image.cmake).
// Every function with a local array or address-taken local stores the guard
// below its return address and compares it on return. A mismatch means a
// local buffer was overrun: the system's bug check for exactly that stops
// the machine before the corrupted frame returns.
//
// The guard is a constant: it catches accidental overruns (the errors a
// driver makes), not an attacker who knows the image. Its low byte is zero
// so that an overrun by a string copy cannot rewrite it.
#include "../kernel.h"

namespace {

// DRIVER_OVERRAN_STACK_BUFFER: parameter 2 the expected guard, 3 its
// complement.
constexpr ULONG kDriverOverranStackBuffer = 0xF7;
constexpr ULONG_PTR kStackGuard = 0x2B992DDFA23200ull;

}  // namespace

extern "C" {

ULONG_PTR __stack_chk_guard = kStackGuard;

void __stack_chk_fail() {
    KeBugCheckEx(kDriverOverranStackBuffer, 0, kStackGuard, ~kStackGuard, 0);
}

}  // extern "C"
