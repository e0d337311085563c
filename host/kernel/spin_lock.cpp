// Spin locks on the stand-in. The lock word holds 0 when free (as the
// inline KeInitializeSpinLock leaves it) and the
// owner's thread token when held, so the same-thread re-acquire (a certain
// deadlock on Windows) and the release of a lock the thread does not hold
// are caught without a side table.
#include <thread>

#include "nt_kernel.h"
#include "thread_state.h"
#include "violation.h"

namespace {

void cpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Test-and-test-and-set. After a short spin the waiter yields: the host may
// have fewer cores than spinning threads, and the holder must get to run.
void spinUntilOwned(PKSPIN_LOCK SpinLock, ULONG_PTR token) {
    for (unsigned spins = 0;; ++spins) {
        ULONG_PTR expected = 0;
        if (__atomic_load_n(SpinLock, __ATOMIC_RELAXED) == 0 &&
            __atomic_compare_exchange_n(SpinLock, &expected, token, false, __ATOMIC_ACQUIRE,
                                        __ATOMIC_RELAXED)) {
            return;
        }
        if (spins < 64) {
            cpuRelax();
        } else {
            std::this_thread::yield();
        }
    }
}

}  // namespace

// Above DISPATCH_LEVEL is a violation; the lock is taken anyway. Taking a
// lock this thread holds is a violation and returns without taking it.
extern "C" KIRQL NTAPI KfAcquireSpinLock(PKSPIN_LOCK SpinLock) {
    const ULONG_PTR token = host::detail::threadToken();
    if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
        host::reportViolation("KeAcquireSpinLock called above DISPATCH_LEVEL");
    }
    if (__atomic_load_n(SpinLock, __ATOMIC_RELAXED) == token) {
        host::reportViolation("KeAcquireSpinLock: this thread already holds the lock (deadlock)");
        return KeGetCurrentIrql();
    }
    const KIRQL oldIrql = host::detail::raiseIrqlTo(DISPATCH_LEVEL);
    spinUntilOwned(SpinLock, token);
    host::detail::noteSpinLock(+1);
    return oldIrql;
}

// Releasing a lock this thread does not hold is a violation and does nothing.
extern "C" VOID NTAPI KeReleaseSpinLock(PKSPIN_LOCK SpinLock, KIRQL NewIrql) {
    if (__atomic_load_n(SpinLock, __ATOMIC_RELAXED) != host::detail::threadToken()) {
        host::reportViolation("KeReleaseSpinLock: the lock is not held by this thread");
        return;
    }
    __atomic_store_n(SpinLock, ULONG_PTR{0}, __ATOMIC_RELEASE);
    host::detail::noteSpinLock(-1);
    host::detail::lowerIrqlTo(NewIrql, "KeReleaseSpinLock");
}
