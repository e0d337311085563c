#include "float_state.h"

#include <vector>

#include "violation.h"

namespace host {
namespace {

struct OutstandingSave {
    PKFLOATING_SAVE buffer;
    KIRQL irql;
};

thread_local std::vector<OutstandingSave> outstandingSaves;

}  // namespace

FloatStateTracker& floatState() {
    static FloatStateTracker* const tracker = new FloatStateTracker;
    return *tracker;
}

int FloatStateTracker::depth() const {
    return static_cast<int>(outstandingSaves.size());
}

std::size_t FloatStateTracker::saves() const {
    std::lock_guard lock(mutex_);
    return saves_;
}

std::size_t FloatStateTracker::failedSaves() const {
    std::lock_guard lock(mutex_);
    return failedSaves_;
}

std::size_t FloatStateTracker::restores() const {
    std::lock_guard lock(mutex_);
    return restores_;
}

void FloatStateTracker::failNthSave(std::size_t n) {
    std::lock_guard lock(mutex_);
    failCountdown_ = n;
}

void FloatStateTracker::failEverySave() {
    std::lock_guard lock(mutex_);
    failEvery_ = true;
}

void FloatStateTracker::clearInjection() {
    std::lock_guard lock(mutex_);
    failCountdown_ = 0;
    failEvery_ = false;
}

void FloatStateTracker::reset() {
    std::lock_guard lock(mutex_);
    saves_ = failedSaves_ = restores_ = failCountdown_ = 0;
    failEvery_ = false;
    outstandingSaves.clear();
}

bool FloatStateTracker::admitSave() {
    std::lock_guard lock(mutex_);
    const bool nth = failCountdown_ != 0 && --failCountdown_ == 0;
    if (nth || failEvery_) {
        ++failedSaves_;
        return false;
    }
    ++saves_;
    return true;
}

void FloatStateTracker::noteRestore() {
    std::lock_guard lock(mutex_);
    ++restores_;
}

}  // namespace host

// Above DISPATCH_LEVEL is a violation and fails the save.
extern "C" NTSTATUS NTAPI KeSaveFloatingPointState(PKFLOATING_SAVE FloatSave) {
    const KIRQL irql = KeGetCurrentIrql();
    if (irql > DISPATCH_LEVEL) {
        host::reportViolation("KeSaveFloatingPointState called above DISPATCH_LEVEL");
        return STATUS_ILLEGAL_FLOAT_CONTEXT;
    }
    if (!host::floatState().admitSave()) {
        return STATUS_ILLEGAL_FLOAT_CONTEXT;
    }
    host::outstandingSaves.push_back({FloatSave, irql});
    return STATUS_SUCCESS;
}

// A restore that is not of this thread's newest save is a violation and
// changes nothing; one at another IRQL than its save is a violation and
// still pops the save.
extern "C" NTSTATUS NTAPI KeRestoreFloatingPointState(PKFLOATING_SAVE FloatSave) {
    auto& saves = host::outstandingSaves;
    if (saves.empty() || saves.back().buffer != FloatSave) {
        host::reportViolation(saves.empty()
                                  ? "KeRestoreFloatingPointState without a matching save"
                                  : "KeRestoreFloatingPointState: not the thread's newest save");
        return STATUS_UNSUCCESSFUL;
    }
    if (saves.back().irql != KeGetCurrentIrql()) {
        host::reportViolation("KeRestoreFloatingPointState at another IRQL than its save");
    }
    saves.pop_back();
    host::floatState().noteRestore();
    return STATUS_SUCCESS;
}
