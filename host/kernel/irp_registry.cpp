#include "irp_registry.h"

#include <mutex>
#include <unordered_map>

namespace {

struct Registry {
    std::mutex lock;
    std::unordered_map<PIRP, host::detail::IrpRecord> irps;
};

// Generations are unique across all IRPs, so a record that replaced a freed
// IRP at the same address never matches an old generation.
std::uint64_t nextGeneration = 0;

Registry& registry() {
    static Registry* instance = new Registry;
    return *instance;
}

}  // namespace

namespace host {

std::size_t liveIrps() {
    std::lock_guard guard(registry().lock);
    std::size_t count = 0;
    for (const auto& entry : registry().irps) {
        count += entry.second.pooled ? 1 : 0;
    }
    return count;
}

namespace detail {

void registerIrp(PIRP irp, bool pooled) {
    std::lock_guard guard(registry().lock);
    IrpRecord record;
    record.pooled = pooled;
    record.generation = ++nextGeneration;
    registry().irps[irp] = record;
}

void unregisterIrp(PIRP irp) {
    std::lock_guard guard(registry().lock);
    registry().irps.erase(irp);
}

std::optional<IrpRecord> findIrp(PIRP irp) {
    std::lock_guard guard(registry().lock);
    auto entry = registry().irps.find(irp);
    if (entry == registry().irps.end()) {
        return std::nullopt;
    }
    return entry->second;
}

void markThreaded(PIRP irp, ULONG outputBufferLength) {
    std::lock_guard guard(registry().lock);
    IrpRecord& record = registry().irps[irp];
    record.threaded = true;
    record.outputBufferLength = outputBufferLength;
}

void noteIrpSent(PIRP irp) {
    std::lock_guard guard(registry().lock);
    auto entry = registry().irps.find(irp);
    if (entry != registry().irps.end()) {
        entry->second.state = IrpState::kSent;
        entry->second.generation = ++nextGeneration;
    }
}

const char* beginCompletion(PIRP irp, IrpRecord& record) {
    std::lock_guard guard(registry().lock);
    auto entry = registry().irps.find(irp);
    if (entry == registry().irps.end()) {
        return "IoCompleteRequest: the IRP is not allocated (completed twice, or freed)";
    }
    if (entry->second.state == IrpState::kCompleting ||
        entry->second.state == IrpState::kCompleted) {
        return "IoCompleteRequest: the IRP is completed twice";
    }
    entry->second.state = IrpState::kCompleting;
    entry->second.generation = ++nextGeneration;
    record = entry->second;
    return nullptr;
}

namespace {

// The live record still at `generation`, or null. Lock held.
IrpRecord* current(PIRP irp, std::uint64_t generation) {
    auto entry = registry().irps.find(irp);
    if (entry == registry().irps.end() || entry->second.generation != generation) {
        return nullptr;
    }
    return &entry->second;
}

}  // namespace

void noteRoutineRunning(PIRP irp, std::uint64_t generation) {
    std::lock_guard guard(registry().lock);
    if (IrpRecord* record = current(irp, generation)) {
        record->state = IrpState::kInRoutine;
    }
}

void noteIrpReturned(PIRP irp, std::uint64_t generation) {
    std::lock_guard guard(registry().lock);
    if (IrpRecord* record = current(irp, generation)) {
        record->state = IrpState::kOwned;
    }
}

bool resumeCompletion(PIRP irp, std::uint64_t generation) {
    std::lock_guard guard(registry().lock);
    IrpRecord* record = current(irp, generation);
    if (record == nullptr) {
        return false;
    }
    record->state = IrpState::kCompleting;
    return true;
}

void noteIrpCompleted(PIRP irp) {
    std::lock_guard guard(registry().lock);
    auto entry = registry().irps.find(irp);
    if (entry != registry().irps.end()) {
        entry->second.state = IrpState::kCompleted;
    }
}

void resetIrpsForTest() {
    std::lock_guard guard(registry().lock);
    registry().irps.clear();
}

}  // namespace detail
}  // namespace host
