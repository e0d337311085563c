// Floating-point work in the kernel runs only inside a saved floating-point
// state. FloatingPointScope saves it on construction and restores it on
// destruction if the save succeeded; saved() says whether floating point
// may be used. Callable at IRQL <= DISPATCH_LEVEL; the scope must end on the
// thread and at the IRQL where it began.
//
// On x64 Windows the kernel keeps every thread's SSE state itself and the
// driver kit defines the save as a no-op that succeeds, so the Windows build
// saves nothing and saved() is always true (the driver uses no x87, which
// the image check makes sure of). The host build keeps the stand-in's save
// and restore, whose failure injection tests the fallback taken when a save
// fails.
#pragma once

#include "kernel.h"

#if defined(BAYERCAM_WINDOWS_KERNEL)
#if !defined(__x86_64__) && !defined(_M_X64)
#error "the Windows build is x64 only; a 32-bit build must save the state"
#endif

class FloatingPointScope {
  public:
    FloatingPointScope() = default;
    FloatingPointScope(const FloatingPointScope&) = delete;
    FloatingPointScope& operator=(const FloatingPointScope&) = delete;

    bool saved() const { return true; }
};

#else

class FloatingPointScope {
  public:
    FloatingPointScope() : saved_(NT_SUCCESS(KeSaveFloatingPointState(&state_))) {}
    ~FloatingPointScope() {
        if (saved_) {
            KeRestoreFloatingPointState(&state_);
        }
    }
    FloatingPointScope(const FloatingPointScope&) = delete;
    FloatingPointScope& operator=(const FloatingPointScope&) = delete;

    bool saved() const { return saved_; }

  private:
    KFLOATING_SAVE state_{};
    bool saved_;
};

#endif
