// KeGetCurrentIrql, KeRaiseIrql/KeLowerIrql and critical regions on the
// stand-in: per-thread state only, nothing shared.
#include "nt_kernel.h"
#include "thread_state.h"
#include "violation.h"

using host::detail::currentThread;

extern "C" KIRQL NTAPI KeGetCurrentIrql(VOID) {
    return currentThread().irql;
}

// Raising to a lower level is a violation; the IRQL is left unchanged.
extern "C" KIRQL NTAPI KfRaiseIrql(KIRQL NewIrql) {
    if (NewIrql < currentThread().irql) {
        host::reportViolation("KeRaiseIrql: new IRQL is below the current IRQL");
        return currentThread().irql;
    }
    return host::detail::raiseIrqlTo(NewIrql);
}

extern "C" VOID NTAPI KeLowerIrql(KIRQL NewIrql) {
    host::detail::lowerIrqlTo(NewIrql, "KeLowerIrql");
}

// Above APC_LEVEL is a violation; the region is entered anyway.
extern "C" VOID NTAPI KeEnterCriticalRegion(VOID) {
    if (currentThread().irql > APC_LEVEL) {
        host::reportViolation("KeEnterCriticalRegion called above APC_LEVEL");
    }
    ++currentThread().criticalRegionDepth;
}

// Leaving a region the thread is not in is a violation and does nothing.
extern "C" VOID NTAPI KeLeaveCriticalRegion(VOID) {
    if (currentThread().criticalRegionDepth == 0) {
        host::reportViolation("KeLeaveCriticalRegion without a matching KeEnterCriticalRegion");
        return;
    }
    --currentThread().criticalRegionDepth;
}
