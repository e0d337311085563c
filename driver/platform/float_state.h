// Floating-point work in the kernel runs only inside a saved floating-point
// state. FloatingPointScope saves it on construction and restores it on
// destruction if the save succeeded; saved() says whether floating point
// may be used. Callable at IRQL <= DISPATCH_LEVEL; the scope must end on the
// thread and at the IRQL where it began.
#pragma once

#include "kernel.h"

#if defined(BAYERCAM_WINDOWS_KERNEL)
// mingw-w64's wdm.h declares these for 32-bit x86 only; ntoskrnl exports
// them on x64 as well.
extern "C" NTSYSAPI NTSTATUS NTAPI KeSaveFloatingPointState(PKFLOATING_SAVE FloatSave);
extern "C" NTSYSAPI NTSTATUS NTAPI KeRestoreFloatingPointState(PKFLOATING_SAVE FloatSave);
#endif

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
