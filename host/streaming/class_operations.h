// The class operations that more than one part of the stand-in class runs:
// creating and freeing filter factories, closing filters and pins, pin
// state and format changes, and the rule checks shared by the entry points.
// Each is called with the device's dispatch lock held, at PASSIVE_LEVEL.
// Internal to host/streaming.
#pragma once

#include <string>

#include "class_objects.h"

namespace host::streaming::detail {

// False (after reporting) when the caller is above PASSIVE_LEVEL.
bool atPassiveLevel(const char* caller);

NTSTATUS createFactory(DeviceInstance& device, const KSFILTER_DESCRIPTOR* descriptor,
                       std::u16string reference, ULONG createItemFlags,
                       PFNKSFILTERFACTORYPOWER sleep, PFNKSFILTERFACTORYPOWER wake,
                       PKSFILTERFACTORY* factory);
// Closes the factory's filters, empties its bag and forgets it.
void freeFactory(DeviceInstance& device, FactoryInstance* factory);
// Frees every factory, or only those made with KSCREATE_ITEM_FREEONSTOP.
void freeFactories(DeviceInstance& device, bool onlyFreeOnStop);
// Closes the filters of those factories, leaving the factories.
void closeFactoryFilters(DeviceInstance& device, bool onlyFreeOnStop);

NTSTATUS openFilter(DeviceInstance& device, const std::u16string& reference,
                    FilterInstance** filter);
// Closes the filter's pins, calls the filter's Close and frees it.
void closeFilter(FilterInstance* filter);

NTSTATUS createPin(FilterInstance& filter, const KSPIN_CONNECT* connect, ULONG length,
                   PinInstance** pin);
// Steps the pin down to KSSTATE_STOP, calls its Close and frees it.
void closePin(PinInstance* pin);
// One state at a time, as the class steps a pin; stops at the first
// refusal, leaving DeviceState at the last state reached.
NTSTATUS changePinState(PinInstance& pin, KSSTATE target);
// A format change on a connected pin (KSPROPERTY_CONNECTION_DATAFORMAT).
NTSTATUS changePinFormat(PinInstance& pin, const KSDATAFORMAT* format, ULONG length);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", as RtlStringFromGUID writes it.
std::u16string guidString(const GUID& guid);

}  // namespace host::streaming::detail
