#include "kernel_reset.h"

#include "float_state.h"
#include "handle_table.h"
#include "io_cancel.h"
#include "irp_registry.h"
#include "mdl_registry.h"
#include "pool_ledger.h"
#include "registry.h"
#include "system_threads.h"
#include "thread_object.h"
#include "thread_state.h"

namespace host {
namespace {

std::string heldText(int count, const char* one, const char* many) {
    if (count == 0) {
        return {};
    }
    return std::to_string(count) + " " + (count == 1 ? one : many) + " held";
}

std::string whatIsStillHeld() {
    std::string spin = heldText(spinLocksHeldAnywhere(), "spin lock", "spin locks");
    const std::string fast = heldText(fastMutexesHeldAnywhere(), "fast mutex", "fast mutexes");
    if (!spin.empty() && !fast.empty()) {
        spin += ", ";
    }
    return spin + fast;
}

}  // namespace

std::string resetKernelForTest() {
    std::string held = whatIsStillHeld();
    detail::closeAllHandlesForTest();
    registry().reset();
    detail::joinFinishedSystemThreads();
    detail::clearThreadCreationInjection();
    detail::resetIrpsForTest();
    detail::resetMdlsForTest();
    detail::resetObjectReferencesForTest();
    detail::resetCancelSpinLockForTest();
    poolLedger().reset();
    floatState().reset();
    detail::resetThreadStateForTest();
    return held;
}

}  // namespace host
