// Scoped holders for the kernel's locks.
//
// SpinLockGuard: KeAcquireSpinLock / KeReleaseSpinLock; raises to
// DISPATCH_LEVEL for the life of the guard, so nothing inside may wait,
// touch pageable memory or call the lower driver.
// FastMutexGuard: ExAcquireFastMutex / ExReleaseFastMutex; caller at
// IRQL <= APC_LEVEL, runs at APC_LEVEL inside; not recursive.
// EventLockGuard: a synchronization event (signalled = free) used as a
// mutex, waited on inside a critical region. The holder stays at
// PASSIVE_LEVEL, so it may send I/O and wait for it, or call the registry,
// which a fast mutex (APC_LEVEL) forbids. Passive level; not recursive.
#pragma once

#include "kernel.h"

class SpinLockGuard {
  public:
    explicit SpinLockGuard(PKSPIN_LOCK lock) : lock_(lock) { KeAcquireSpinLock(lock_, &oldIrql_); }
    ~SpinLockGuard() { KeReleaseSpinLock(lock_, oldIrql_); }
    SpinLockGuard(const SpinLockGuard&) = delete;
    SpinLockGuard& operator=(const SpinLockGuard&) = delete;

  private:
    PKSPIN_LOCK lock_;
    KIRQL oldIrql_ = PASSIVE_LEVEL;
};

class FastMutexGuard {
  public:
    explicit FastMutexGuard(PFAST_MUTEX mutex) : mutex_(mutex) { ExAcquireFastMutex(mutex_); }
    ~FastMutexGuard() { ExReleaseFastMutex(mutex_); }
    FastMutexGuard(const FastMutexGuard&) = delete;
    FastMutexGuard& operator=(const FastMutexGuard&) = delete;

  private:
    PFAST_MUTEX mutex_;
};

class CriticalRegionGuard {
  public:
    CriticalRegionGuard() { KeEnterCriticalRegion(); }
    ~CriticalRegionGuard() { KeLeaveCriticalRegion(); }
    CriticalRegionGuard(const CriticalRegionGuard&) = delete;
    CriticalRegionGuard& operator=(const CriticalRegionGuard&) = delete;
};

class EventLockGuard {
  public:
    explicit EventLockGuard(PKEVENT lock) : lock_(lock) {
        KeEnterCriticalRegion();
        KeWaitForSingleObject(lock_, Executive, KernelMode, FALSE, nullptr);
    }
    ~EventLockGuard() {
        KeSetEvent(lock_, IO_NO_INCREMENT, FALSE);
        KeLeaveCriticalRegion();
    }
    EventLockGuard(const EventLockGuard&) = delete;
    EventLockGuard& operator=(const EventLockGuard&) = delete;

  private:
    PKEVENT lock_;
};
