// The stand-in I/O manager's record of every IRP it handed out: where the
// IRP is in its life, so that double completion, freeing an IRP a lower
// driver still owns and completion of a freed IRP are caught before the
// IRP's memory is touched.
//
// Life of an IRP: kOwned (allocated, or returned to its owner by a
// completion routine that answered STATUS_MORE_PROCESSING_REQUIRED) ->
// kSent (IoCallDriver) -> kCompleting (IoCompleteRequest unwinding) ->
// kInRoutine (a completion routine runs) -> kCompleting ... -> kOwned, or
// kCompleted (completion ran past the last location).
//
// While a routine runs, the IRP may already be its driver's again: the
// routine may set an event and another thread complete, send, reuse or
// free the IRP before the routine returns STATUS_MORE_PROCESSING_REQUIRED,
// as the kernel allows. So kInRoutine allows all of that, and each of
// IoCallDriver, IoCompleteRequest and IoReuseIrp gives the IRP a new
// generation (unique process-wide): completion resumes after a routine
// only if the generation is unchanged.
//
// Thread-safe; any thread, any IRQL. The registry lock is never held while
// driver code runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "nt_kernel.h"

namespace host {

// Test-facing: IRPs allocated by IoAllocateIrp or IoBuildDeviceIoControlRequest
// and not yet freed (IRPs in the caller's own storage are not counted).
std::size_t liveIrps();

namespace detail {

enum class IrpState { kOwned, kSent, kCompleting, kInRoutine, kCompleted };

struct IrpRecord {
    IrpState state = IrpState::kOwned;
    std::uint64_t generation = 0;
    bool pooled = false;           // from IoAllocateIrp, not the caller's storage
    bool threaded = false;         // built by IoBuildDeviceIoControlRequest
    ULONG outputBufferLength = 0;  // of a buffered threaded request
};

// Starts (or restarts, for IoInitializeIrp on caller storage) the record.
void registerIrp(PIRP irp, bool pooled);
void unregisterIrp(PIRP irp);
std::optional<IrpRecord> findIrp(PIRP irp);

void markThreaded(PIRP irp, ULONG outputBufferLength);

// IoCallDriver: kSent, next generation.
void noteIrpSent(PIRP irp);

// IoCompleteRequest: moves a kOwned, kSent or kInRoutine IRP to
// kCompleting with a new generation and returns its record; returns the
// broken rule's text otherwise.
const char* beginCompletion(PIRP irp, IrpRecord& record);

// A completion routine is about to run.
void noteRoutineRunning(PIRP irp, std::uint64_t generation);

// A completion routine answered STATUS_MORE_PROCESSING_REQUIRED: the IRP is
// its owner's again, unless something happened to it since `generation`.
void noteIrpReturned(PIRP irp, std::uint64_t generation);

// A completion routine let completion go on: back to kCompleting. False if
// the IRP has moved on since `generation` (freed, sent, completed).
bool resumeCompletion(PIRP irp, std::uint64_t generation);

// Completion ran past the last stack location.
void noteIrpCompleted(PIRP irp);

// Forgets every IRP (the pool ledger frees their memory).
void resetIrpsForTest();

}  // namespace detail
}  // namespace host
