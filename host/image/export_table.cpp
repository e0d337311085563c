// The export table. Function entries take the address of the function the
// stand-in declares (so the entry follows the declaration), and record its
// calling convention from its type.
//
// Not listed, because a Windows x64 image cannot import them: the stand-in
// functions that the x64 DDK has inline or as macros (KeInitializeSpinLock,
// KfAcquireSpinLock, ExInitializeFastMutex; KeQueryInterruptTime and
// KeQuerySystemTime read the shared user page, see shared_user_data.h), and
// the host build's inline helpers (list heads, Interlocked*, IRP stack
// locations, MDL accessors, the Ks*Get* wrappers of ks.h).
#include "export_table.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include <kernel/nt_kernel.h>
#include <streaming/ks_api.h>
#include <usb/usb_api.h>

#include "calling_convention.h"
#include "image_only_exports.h"

namespace host::image {
namespace {

template <typename Function>
Export function(std::string_view name, Function* address) {
    return {name, reinterpret_cast<const void*>(address), false, usesWindowsConvention<Function*>};
}

template <typename Variable>
Export data(std::string_view name, Variable* address) {
    return {name, address, true, false};
}

#define STAND_IN_FUNCTION(name) function(#name, &::name)
#define IMAGE_ONLY_FUNCTION(name) function(#name, &exports::name)

const std::vector<Export>& ntoskrnl() {
    static const std::vector<Export> entries = {
        STAND_IN_FUNCTION(ExAcquireFastMutex),
        STAND_IN_FUNCTION(ExAllocatePoolWithTag),
        STAND_IN_FUNCTION(ExFreePool),
        STAND_IN_FUNCTION(ExFreePoolWithTag),
        STAND_IN_FUNCTION(ExReleaseFastMutex),
        STAND_IN_FUNCTION(IoAcquireCancelSpinLock),
        STAND_IN_FUNCTION(IoAllocateIrp),
        STAND_IN_FUNCTION(IoAllocateMdl),
        STAND_IN_FUNCTION(IoAttachDeviceToDeviceStack),
        STAND_IN_FUNCTION(IoBuildDeviceIoControlRequest),
        STAND_IN_FUNCTION(IoBuildPartialMdl),
        STAND_IN_FUNCTION(IoCancelIrp),
        STAND_IN_FUNCTION(IoCreateDevice),
        STAND_IN_FUNCTION(IoDeleteDevice),
        STAND_IN_FUNCTION(IoDetachDevice),
        STAND_IN_FUNCTION(IoFreeIrp),
        STAND_IN_FUNCTION(IoFreeMdl),
        STAND_IN_FUNCTION(IoInitializeIrp),
        STAND_IN_FUNCTION(IoOpenDeviceRegistryKey),
        STAND_IN_FUNCTION(IoReleaseCancelSpinLock),
        STAND_IN_FUNCTION(IoReuseIrp),
        STAND_IN_FUNCTION(IofCallDriver),
        STAND_IN_FUNCTION(IofCompleteRequest),
        STAND_IN_FUNCTION(KeClearEvent),
        STAND_IN_FUNCTION(KeDelayExecutionThread),
        STAND_IN_FUNCTION(KeEnterCriticalRegion),
        STAND_IN_FUNCTION(KeGetCurrentIrql),
        STAND_IN_FUNCTION(KeGetCurrentThread),
        STAND_IN_FUNCTION(KeInitializeEvent),
        STAND_IN_FUNCTION(KeLeaveCriticalRegion),
        STAND_IN_FUNCTION(KeLowerIrql),
        STAND_IN_FUNCTION(KeReadStateEvent),
        STAND_IN_FUNCTION(KeReleaseSpinLock),
        STAND_IN_FUNCTION(KeResetEvent),
        STAND_IN_FUNCTION(KeRestoreFloatingPointState),
        STAND_IN_FUNCTION(KeSaveFloatingPointState),
        STAND_IN_FUNCTION(KeSetEvent),
        STAND_IN_FUNCTION(KeSetPriorityThread),
        STAND_IN_FUNCTION(KeWaitForMultipleObjects),
        STAND_IN_FUNCTION(KeWaitForSingleObject),
        STAND_IN_FUNCTION(KfRaiseIrql),
        STAND_IN_FUNCTION(MmBuildMdlForNonPagedPool),
        STAND_IN_FUNCTION(MmMapLockedPagesSpecifyCache),
        STAND_IN_FUNCTION(MmProbeAndLockPages),
        STAND_IN_FUNCTION(MmSizeOfMdl),
        STAND_IN_FUNCTION(MmUnlockPages),
        STAND_IN_FUNCTION(MmUnmapLockedPages),
        STAND_IN_FUNCTION(ObReferenceObjectByHandle),
        STAND_IN_FUNCTION(ObfDereferenceObject),
        STAND_IN_FUNCTION(ObfReferenceObject),
        STAND_IN_FUNCTION(PsCreateSystemThread),
        STAND_IN_FUNCTION(PsGetCurrentThread),
        STAND_IN_FUNCTION(PsTerminateSystemThread),
        STAND_IN_FUNCTION(RtlInitUnicodeString),
        STAND_IN_FUNCTION(ZwClose),
        STAND_IN_FUNCTION(ZwCreateKey),
        STAND_IN_FUNCTION(ZwDeleteValueKey),
        STAND_IN_FUNCTION(ZwOpenKey),
        STAND_IN_FUNCTION(ZwQueryValueKey),
        STAND_IN_FUNCTION(ZwSetValueKey),
        data("PsThreadType", &PsThreadType),
        IMAGE_ONLY_FUNCTION(KeAcquireSpinLockRaiseToDpc),
        IMAGE_ONLY_FUNCTION(KeBugCheckEx),
        IMAGE_ONLY_FUNCTION(RtlCompareMemory),
        IMAGE_ONLY_FUNCTION(memcmp),
        IMAGE_ONLY_FUNCTION(memcpy),
        IMAGE_ONLY_FUNCTION(memmove),
        IMAGE_ONLY_FUNCTION(memset),
    };
    return entries;
}

// x64's HAL.dll exports nothing the stand-in provides (its timer, bus and
// DMA calls are not modelled; the IRQL calls are ntoskrnl's on x64).
const std::vector<Export>& hal() {
    static const std::vector<Export> entries;
    return entries;
}

const std::vector<Export>& ks() {
    static const std::vector<Export> entries = {
        STAND_IN_FUNCTION(KsAcquireDevice),
        STAND_IN_FUNCTION(KsAddItemToObjectBag),
        STAND_IN_FUNCTION(KsCreateFilterFactory),
        STAND_IN_FUNCTION(KsGetDevice),
        STAND_IN_FUNCTION(KsGetFilterFromIrp),
        STAND_IN_FUNCTION(KsGetParent),
        STAND_IN_FUNCTION(KsGetPinFromIrp),
        STAND_IN_FUNCTION(KsInitializeDriver),
        STAND_IN_FUNCTION(KsPinAttemptProcessing),
        STAND_IN_FUNCTION(KsPinGetLeadingEdgeStreamPointer),
        STAND_IN_FUNCTION(KsPinGetParentFilter),
        STAND_IN_FUNCTION(KsPinGetReferenceClockInterface),
        STAND_IN_FUNCTION(KsReleaseDevice),
        STAND_IN_FUNCTION(KsRemoveItemFromObjectBag),
        STAND_IN_FUNCTION(KsStreamPointerAdvance),
        STAND_IN_FUNCTION(KsStreamPointerDelete),
        STAND_IN_FUNCTION(KsStreamPointerLock),
        STAND_IN_FUNCTION(KsStreamPointerUnlock),
        STAND_IN_FUNCTION(_KsEdit),
    };
    return entries;
}

const std::vector<Export>& usbd() {
    static const std::vector<Export> entries = {
        STAND_IN_FUNCTION(USBD_CreateConfigurationRequestEx),
        STAND_IN_FUNCTION(USBD_ParseConfigurationDescriptorEx),
        STAND_IN_FUNCTION(USBD_ParseDescriptors),
    };
    return entries;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

std::span<const ExportModule> exportModules() {
    static const ExportModule modules[] = {
        {"ntoskrnl.exe", ntoskrnl()},
        {"HAL.dll", hal()},
        {"ks.sys", ks()},
        {"USBD.SYS", usbd()},
    };
    return modules;
}

const Export* findExport(std::string_view module, std::string_view name) {
    for (const ExportModule& candidate : exportModules()) {
        if (!equalIgnoringCase(candidate.name, module)) {
            continue;
        }
        for (const Export& entry : candidate.exports) {
            if (entry.name == name) {
                return &entry;
            }
        }
    }
    return nullptr;
}

}  // namespace host::image
