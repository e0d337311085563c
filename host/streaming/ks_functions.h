// The streaming-class calls the minidriver makes (ks.h), with ks.h's
// signatures, and its inline helpers and macros.
//
// IRQL and threads, as on Windows: KsInitializeDriver from DriverEntry;
// KsAcquireDevice/KsReleaseDevice, KsCreateFilterFactory, the object-bag
// calls and _KsEdit at PASSIVE_LEVEL; the object queries (KsGetDevice,
// KsPinGetParentFilter, KsGetFilterFromIrp, KsGetPinFromIrp) at any IRQL up
// to DISPATCH_LEVEL. A broken rule is reported through the stand-in
// kernel's violation mechanism (host/kernel/violation.h).
// Part of the driver-visible declarations that ks_api.h gathers.
#pragma once

#include "ks_stream.h"

extern "C" {
// Keeps `Descriptor` as the driver's device descriptor: devices added for
// this driver object are built from it. Returns STATUS_SUCCESS.
NTSTATUS NTAPI KsInitializeDriver(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPathName,
                                  const KSDEVICE_DESCRIPTOR* Descriptor);

// The device mutex: not recursive (taking it twice on one thread is a
// violation), held only at PASSIVE_LEVEL, released by its owner.
void NTAPI KsAcquireDevice(PKSDEVICE Device);
void NTAPI KsReleaseDevice(PKSDEVICE Device);

// Registers a filter factory under `RefString` (null: the empty reference
// string) on the device of `DeviceObject` (its FDO). The factory lives
// until the device is removed, or until it is stopped when CreateItemFlags
// has KSCREATE_ITEM_FREEONSTOP. A second factory under the same reference
// string fails with STATUS_OBJECT_NAME_COLLISION.
NTSTATUS NTAPI KsCreateFilterFactory(PDEVICE_OBJECT DeviceObject,
                                     const KSFILTER_DESCRIPTOR* Descriptor, PWSTR RefString,
                                     PSECURITY_DESCRIPTOR SecurityDescriptor, ULONG CreateItemFlags,
                                     PFNKSFILTERFACTORYPOWER SleepCallback,
                                     PFNKSFILTERFACTORYPOWER WakeCallback,
                                     PKSFILTERFACTORY* FilterFactory);

// Object bags. An item is freed (Free, or ExFreePool when Free is null) when
// the bag's object goes, or by KsRemoveItemFromObjectBag with Free TRUE.
// Adding an item the bag already holds only counts it again.
// KsRemoveItemFromObjectBag returns the references the bag still holds on
// the item (0 once it is gone from the bag).
NTSTATUS NTAPI KsAddItemToObjectBag(KSOBJECT_BAG ObjectBag, PVOID Item, PFNKSFREE Free);
ULONG NTAPI KsRemoveItemFromObjectBag(KSOBJECT_BAG ObjectBag, PVOID Item, BOOLEAN Free);

// Replaces *PointerToPointerToItem with a NonPagedPoolNx copy of NewSize
// bytes under `Tag` (OldSize bytes copied, the rest zeroed) held by the
// bag. If the old item was in the bag it is removed and freed.
NTSTATUS NTAPI _KsEdit(KSOBJECT_BAG ObjectBag, PVOID* PointerToPointerToItem, ULONG NewSize,
                       ULONG OldSize, ULONG Tag);

// Object navigation. KsGetDevice takes a KSDEVICE, KSFILTERFACTORY,
// KSFILTER or KSPIN; an unknown object is a violation and yields null.
PKSDEVICE NTAPI KsGetDevice(PVOID Object);
PKSFILTER NTAPI KsPinGetParentFilter(PKSPIN Pin);
PVOID NTAPI KsGetParent(PVOID Object);
// The filter or pin an IRP the class is dispatching is aimed at (for a pin
// IRP, KsGetFilterFromIrp gives the pin's filter). Null for other IRPs.
PKSFILTER NTAPI KsGetFilterFromIrp(PIRP Irp);
PKSPIN NTAPI KsGetPinFromIrp(PIRP Irp);

// Processing and stream pointers (the pin's queue).
void NTAPI KsPinAttemptProcessing(PKSPIN Pin, BOOLEAN Asynchronous);
PKSSTREAM_POINTER NTAPI KsPinGetLeadingEdgeStreamPointer(PKSPIN Pin, KSSTREAM_POINTER_STATE State);
NTSTATUS NTAPI KsStreamPointerLock(PKSSTREAM_POINTER StreamPointer);
void NTAPI KsStreamPointerUnlock(PKSSTREAM_POINTER StreamPointer, BOOLEAN Eject);
NTSTATUS NTAPI KsStreamPointerAdvance(PKSSTREAM_POINTER StreamPointer);
void NTAPI KsStreamPointerDelete(PKSSTREAM_POINTER StreamPointer);
NTSTATUS NTAPI KsPinGetReferenceClockInterface(PKSPIN Pin, PIKSREFERENCECLOCK* Interface);
}

inline PKSDEVICE KsFilterGetDevice(PKSFILTER Filter) {
    return KsGetDevice(static_cast<PVOID>(Filter));
}

inline PKSDEVICE KsPinGetDevice(PKSPIN Pin) {
    return KsGetDevice(static_cast<PVOID>(Pin));
}

inline PKSDEVICE KsFilterFactoryGetDevice(PKSFILTERFACTORY FilterFactory) {
    return KsGetDevice(static_cast<PVOID>(FilterFactory));
}

inline PKSFILTERFACTORY KsFilterGetParentFilterFactory(PKSFILTER Filter) {
    return static_cast<PKSFILTERFACTORY>(KsGetParent(static_cast<PVOID>(Filter)));
}

#define KsDiscard(Object, Pointer) \
    KsRemoveItemFromObjectBag((Object)->Bag, static_cast<PVOID>(Pointer), TRUE)

// ks.h casts the pointer's address to PVOID* with a C-style cast, which
// also drops the const of a descriptor pointer; so does this helper.
namespace bayercam_ks_detail {
template <typename T>
inline PVOID* editablePointer(T** pointerToPointer) {
    return reinterpret_cast<PVOID*>(pointerToPointer);
}
template <typename T>
inline PVOID* editablePointer(const T** pointerToPointer) {
    return reinterpret_cast<PVOID*>(const_cast<T**>(pointerToPointer));
}
}  // namespace bayercam_ks_detail

#define KsEdit(Object, PointerToPointer, Tag)                                     \
    _KsEdit((Object)->Bag, bayercam_ks_detail::editablePointer(PointerToPointer), \
            sizeof(**(PointerToPointer)), sizeof(**(PointerToPointer)), (Tag))

#define KsEditSized(Object, PointerToPointer, NewSize, OldSize, Tag)                         \
    _KsEdit((Object)->Bag, bayercam_ks_detail::editablePointer(PointerToPointer), (NewSize), \
            (OldSize), (Tag))
