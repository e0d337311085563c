// KeSaveFloatingPointState / KeRestoreFloatingPointState bookkeeping on the
// stand-in. The host never needs the state saved; what matters is that the
// driver pairs them: each thread keeps a stack of its outstanding saves, and
// a restore must name the newest one, on the same thread, at the IRQL of the
// save. A save above DISPATCH_LEVEL, or a restore that breaks the pairing,
// is a violation. Saves can be made to fail on demand, as the real kernel
// may refuse them (STATUS_ILLEGAL_FLOAT_CONTEXT).
//
// Thread-safe; one process-wide object (floatState()), never destroyed.
#pragma once

#include <cstddef>
#include <mutex>

#include "nt_kernel.h"

namespace host {

class FloatStateTracker {
  public:
    // ---- Test-facing -------------------------------------------------------
    // Outstanding saves of the calling thread.
    int depth() const;
    // Successful saves, failed (injected) saves and restores since reset().
    std::size_t saves() const;
    std::size_t failedSaves() const;
    std::size_t restores() const;

    // Fails the n-th save from now (1-based, any thread); n == 0 cancels it.
    void failNthSave(std::size_t n);
    // Fails every save until clearInjection().
    void failEverySave();
    void clearInjection();

    // Zeroes the counters, clears injection and forgets the calling
    // thread's outstanding saves.
    void reset();

    // ---- Kernel-facing (float_state.cpp) -----------------------------------
    // Counts a save request; false when injection fails it.
    bool admitSave();
    void noteRestore();

  private:
    mutable std::mutex mutex_;
    std::size_t saves_ = 0;
    std::size_t failedSaves_ = 0;
    std::size_t restores_ = 0;
    std::size_t failCountdown_ = 0;  // 0: no n-th save injection
    bool failEvery_ = false;
};

FloatStateTracker& floatState();

}  // namespace host
