#include "../platform/pool.h"
#include "format_negotiation.h"
#include "pin_context.h"
#include "pin_framing.h"
#include "stream_guids.h"
#include "video_format.h"

namespace {

constexpr ULONG kStreamFrames = 2;
constexpr ULONG kStaticFrameBytes = 8192;

const KSALLOCATOR_FRAMING_EX kVideoPinFraming = {
    1,          // CountItems
    0,          // PinFlags
    {1, 1, 0},  // OutputCompression: 1/1, no margin
    0,          // PinWeight
    {{
        kMemoryTypeKernelNonPaged,  // MemoryType
        kNullGuid,                  // BusType
        0,                          // MemoryFlags
        0,                          // BusFlags
        KSALLOCATOR_REQUIREMENTF_SYSTEM_MEMORY | KSALLOCATOR_REQUIREMENTF_PREFERENCES_ONLY,
        kStreamFrames,                                      // Frames
        0,                                                  // FileAlignment: bytes
        0,                                                  // MemoryTypeWeight
        {0, 0xFFFFFFFF, 1},                                 // PhysicalRange
        {{kStaticFrameBytes, kStaticFrameBytes, 1}, 0, 0},  // FramingRange
    }},
};

const KSPIN_DISPATCH kVideoPinDispatch = {
    PinCreate,          // Create
    PinClose,           // Close
    PinProcess,         // Process
    nullptr,            // Reset
    SetDataFormat,      // SetDataFormat
    PinSetDeviceState,  // SetDeviceState
    nullptr,            // Connect
    nullptr,            // Disconnect
    nullptr,            // Clock
    nullptr,            // Allocator
};

// The one range: patched in place by UpdateVideoFormat.
const PKSDATARANGE kVideoPinRanges[] = {
    &g_videoDataRange.DataRange,
};

// _KsEdit replaces a pointer to constant data with one to the pin's own
// copy; the class's interface takes it as a plain pointer to pointer.
template <typename T>
PVOID* EditablePointer(const T** pointer) {
    return reinterpret_cast<PVOID*>(const_cast<T**>(pointer));
}

}  // namespace

const KSPIN_DESCRIPTOR_EX kVideoPinDescriptor = {
    &kVideoPinDispatch,
    nullptr,  // AutomationTable: the property set is the filter's
    {
        0,
        nullptr,  // Interfaces: the standard streaming interface
        0,
        nullptr,  // Mediums: the standard medium
        sizeof(kVideoPinRanges) / sizeof(kVideoPinRanges[0]),
        kVideoPinRanges,
        KSPIN_DATAFLOW_OUT,
        KSPIN_COMMUNICATION_BOTH,
        &kPinNameVideoCapture,
        &kPinNameVideoCapture,
        {0},  // no constrained ranges
    },
    KSPIN_FLAG_PROCESS_IN_RUN_STATE_ONLY,
    1,  // InstancesPossible
    1,  // InstancesNecessary
    &kVideoPinFraming,
    IntersectVideoFormat,
};

NTSTATUS MakePrivateFraming(PKSPIN pin, ULONG frameBytes) {
    NTSTATUS status =
        _KsEdit(pin->Bag, EditablePointer(&pin->Descriptor), sizeof(KSPIN_DESCRIPTOR_EX),
                sizeof(KSPIN_DESCRIPTOR_EX), kFramePoolTag);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    auto* descriptor = const_cast<PKSPIN_DESCRIPTOR_EX>(pin->Descriptor);
    status = _KsEdit(pin->Bag, EditablePointer(&descriptor->AllocatorFraming),
                     sizeof(KSALLOCATOR_FRAMING_EX), sizeof(KSALLOCATOR_FRAMING_EX), kFramePoolTag);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    auto* framing = const_cast<PKSALLOCATOR_FRAMING_EX>(descriptor->AllocatorFraming);
    KS_FRAMING_ITEM& item = framing->FramingItem[0];
    item.Frames = kStreamFrames;
    item.PhysicalRange.MinFrameSize = frameBytes;
    item.PhysicalRange.MaxFrameSize = frameBytes;
    item.PhysicalRange.Stepping = 0;
    item.FramingRange.Range.MinFrameSize = frameBytes;
    item.FramingRange.Range.MaxFrameSize = frameBytes;
    item.FramingRange.Range.Stepping = 0;
    return STATUS_SUCCESS;
}
