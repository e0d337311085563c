#include "thread_state.h"

#include <atomic>
#include <string>

#include "violation.h"

namespace host {
namespace {

thread_local detail::ThreadState state;
// Its address is the thread's token: unique among live threads, never zero.
thread_local char tokenAnchor;

std::atomic<int> spinLocksAnywhere{0};
std::atomic<int> fastMutexesAnywhere{0};

KIRQL irqlFloor(const detail::ThreadState& thread) {
    if (thread.spinLocksHeld > 0) {
        return DISPATCH_LEVEL;
    }
    return thread.fastMutexesHeld > 0 ? APC_LEVEL : PASSIVE_LEVEL;
}

}  // namespace

int criticalRegionDepth() {
    return state.criticalRegionDepth;
}
int spinLocksHeld() {
    return state.spinLocksHeld;
}
int fastMutexesHeld() {
    return state.fastMutexesHeld;
}
int spinLocksHeldAnywhere() {
    return spinLocksAnywhere.load();
}
int fastMutexesHeldAnywhere() {
    return fastMutexesAnywhere.load();
}

namespace detail {

ThreadState& currentThread() {
    return state;
}

ULONG_PTR threadToken() {
    return reinterpret_cast<ULONG_PTR>(&tokenAnchor);
}

KIRQL raiseIrqlTo(KIRQL level) {
    const KIRQL old = state.irql;
    if (level > old) {
        state.irql = level;
    }
    return old;
}

void lowerIrqlTo(KIRQL level, const char* caller) {
    if (level > state.irql) {
        reportViolation(std::string(caller) + ": new IRQL " + std::to_string(level) +
                        " is above the current IRQL " + std::to_string(state.irql));
    } else if (level < irqlFloor(state)) {
        reportViolation(std::string(caller) + ": IRQL lowered to " + std::to_string(level) +
                        " while the thread still holds a lock that needs IRQL " +
                        std::to_string(irqlFloor(state)));
    }
    state.irql = level;
}

void noteSpinLock(int delta) {
    state.spinLocksHeld += delta;
    spinLocksAnywhere.fetch_add(delta);
}

void noteFastMutex(int delta) {
    state.fastMutexesHeld += delta;
    fastMutexesAnywhere.fetch_add(delta);
}

void resetThreadStateForTest() {
    state = ThreadState{};
    spinLocksAnywhere.store(0);
    fastMutexesAnywhere.store(0);
}

}  // namespace detail
}  // namespace host
