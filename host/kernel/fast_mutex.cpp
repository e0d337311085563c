// Fast mutexes on the stand-in. Count is the lock word (FM_LOCK_BIT free,
// 0 owned), so a mutex initialised by wdm.h's inline ExInitializeFastMutex
// (compiled into a driver image) is free; a thread that finds it owned
// parks on one process-wide condition variable and is woken by the release. Contention counts the
// parked threads so an uncontended release never touches the parking mutex.
//
// No lost wake-up: a waiter raises Contention before it tests Count, and a
// releaser frees Count before it reads Contention, all sequentially
// consistent, so either the waiter sees the mutex free or the releaser sees
// the waiter and wakes it under the parking mutex.
#include <condition_variable>
#include <mutex>

#include "nt_kernel.h"
#include "thread_state.h"
#include "violation.h"

namespace {

std::mutex parkingMutex;
std::condition_variable parkingSpot;

bool tryTake(PFAST_MUTEX FastMutex) {
    LONG expected = FM_LOCK_BIT;
    return __atomic_compare_exchange_n(&FastMutex->Count, &expected, 0, false, __ATOMIC_SEQ_CST,
                                       __ATOMIC_SEQ_CST);
}

void take(PFAST_MUTEX FastMutex) {
    if (tryTake(FastMutex)) {
        return;
    }
    __atomic_add_fetch(&FastMutex->Contention, 1U, __ATOMIC_SEQ_CST);
    {
        std::unique_lock lock(parkingMutex);
        parkingSpot.wait(lock, [FastMutex] { return tryTake(FastMutex); });
    }
    __atomic_sub_fetch(&FastMutex->Contention, 1U, __ATOMIC_SEQ_CST);
}

void give(PFAST_MUTEX FastMutex) {
    __atomic_store_n(&FastMutex->Count, FM_LOCK_BIT, __ATOMIC_SEQ_CST);
    if (__atomic_load_n(&FastMutex->Contention, __ATOMIC_SEQ_CST) != 0) {
        { std::lock_guard lock(parkingMutex); }
        parkingSpot.notify_all();
    }
}

PKTHREAD ownerOf(PFAST_MUTEX FastMutex) {
    return __atomic_load_n(&FastMutex->Owner, __ATOMIC_RELAXED);
}

// The calling thread's token, never dereferenced.
PKTHREAD currentOwnerValue() {
    return reinterpret_cast<PKTHREAD>(host::detail::threadToken());
}

}  // namespace

// Above APC_LEVEL is a violation; the mutex is taken anyway. Taking a mutex
// this thread owns is a violation and returns without taking it.
extern "C" VOID NTAPI ExAcquireFastMutex(PFAST_MUTEX FastMutex) {
    if (KeGetCurrentIrql() > APC_LEVEL) {
        host::reportViolation("ExAcquireFastMutex called above APC_LEVEL");
    }
    if (ownerOf(FastMutex) == currentOwnerValue()) {
        host::reportViolation(
            "ExAcquireFastMutex: this thread already owns the mutex (not recursive; deadlock)");
        return;
    }
    const KIRQL oldIrql = host::detail::raiseIrqlTo(APC_LEVEL);
    take(FastMutex);
    __atomic_store_n(&FastMutex->Owner, currentOwnerValue(), __ATOMIC_RELAXED);
    FastMutex->OldIrql = oldIrql;
    host::detail::noteFastMutex(+1);
}

// Releasing a mutex this thread does not own is a violation and does
// nothing. Releasing at an IRQL other than APC_LEVEL is a violation; the
// release goes ahead.
extern "C" VOID NTAPI ExReleaseFastMutex(PFAST_MUTEX FastMutex) {
    if (ownerOf(FastMutex) != currentOwnerValue()) {
        host::reportViolation("ExReleaseFastMutex: the mutex is not owned by this thread");
        return;
    }
    if (KeGetCurrentIrql() != APC_LEVEL) {
        host::reportViolation("ExReleaseFastMutex called at an IRQL other than APC_LEVEL");
    }
    // Read before another owner can write it.
    const auto oldIrql = static_cast<KIRQL>(FastMutex->OldIrql);
    __atomic_store_n(&FastMutex->Owner, PKTHREAD{nullptr}, __ATOMIC_RELAXED);
    host::detail::noteFastMutex(-1);
    give(FastMutex);
    host::detail::lowerIrqlTo(oldIrql, "ExReleaseFastMutex");
}
