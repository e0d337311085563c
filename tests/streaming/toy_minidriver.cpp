#include "toy_minidriver.h"

#include <kernel/host_kernel.h>

#include "toy_process.h"

namespace toy {
namespace {

constexpr ULONG kToyTag = host::poolTag("Toy ");
int freedItems = 0;
LONG gain = 0;

void note(const std::string& call) {
    journal().calls.push_back(call);
    if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
        journal().allAtPassive = false;
    }
}

void NTAPI freeBagged(PVOID item) {
    ++freedItems;
    ExFreePoolWithTag(item, kToyTag);
}

// ---- Properties --------------------------------------------------------------
NTSTATUS NTAPI getGain(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    note("GetGain");
    lastRequest() = {request->Flags, irp->IoStatus.Information, KsGetFilterFromIrp(irp) != nullptr};
    static_cast<PLONG>(data)[6] = gain;  // after the KSPROPERTY copy in the payload
    if (behaviour().getSetsInformation) {
        irp->IoStatus.Information = kPayloadSize;
    }
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI setGain(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    note("SetGain");
    lastRequest() = {request->Flags, irp->IoStatus.Information, KsGetFilterFromIrp(irp) != nullptr};
    const LONG value = static_cast<PLONG>(data)[6];
    if (value < kGainMinimum || value > kGainMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    gain = value;
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI getReadOnly(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    note("GetReadOnly");
    lastRequest() = {request->Flags, irp->IoStatus.Information, KsGetFilterFromIrp(irp) != nullptr};
    const ULONG length = sizeof(ULONG) + behaviour().overrunBytes;
    std::memset(data, 0x5a, length);
    irp->IoStatus.Information = sizeof(ULONG);
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI setWriteOnly(PIRP, PKSIDENTIFIER, PVOID) {
    note("SetWriteOnly");
    return STATUS_SUCCESS;
}

const KSPROPERTY_STEPPING_LONG kGainRange[] = {{1, 0, {{kGainMinimum, kGainMaximum}}}};
const KSPROPERTY_MEMBERSLIST kGainMembers[] = {
    {{KSPROPERTY_MEMBER_RANGES, sizeof(KSPROPERTY_STEPPING_LONG), 1, 0}, kGainRange}};
const KSPROPERTY_VALUES kGainValues = {
    {{{STATICGUIDOF(KSPROPTYPESETID_General), 3, 0}}}, 1, kGainMembers};

DEFINE_KSPROPERTY_TABLE(kToyItems){
    DEFINE_KSPROPERTY_ITEM(kGain, getGain, sizeof(KSPROPERTY), kPayloadSize, setGain, &kGainValues,
                           0, nullptr, nullptr, 0),
    DEFINE_KSPROPERTY_ITEM(kReadOnly, getReadOnly, sizeof(KSPROPERTY), sizeof(ULONG), nullptr,
                           nullptr, 0, nullptr, nullptr, 0),
    DEFINE_KSPROPERTY_ITEM(kWriteOnly, nullptr, sizeof(KSPROPERTY), sizeof(ULONG), setWriteOnly,
                           nullptr, 0, nullptr, nullptr, 0),
};

DEFINE_KSPROPERTY_SET_TABLE(kToySets){
    DEFINE_KSPROPERTY_SET(&kPropertySet, SIZEOF_ARRAY(kToyItems), kToyItems, 0, nullptr),
};

DEFINE_KSAUTOMATION_TABLE(kFilterAutomation){
    DEFINE_KSAUTOMATION_PROPERTIES(kToySets),
    DEFINE_KSAUTOMATION_METHODS_NULL,
    DEFINE_KSAUTOMATION_EVENTS_NULL,
};

// ---- Pin -----------------------------------------------------------------------
NTSTATUS NTAPI pinCreate(PKSPIN pin, PIRP irp) {
    note(std::string("Pin.Create") + (KsGetPinFromIrp(irp) == pin ? "" : "(no pin from irp)"));
    pin->StreamHeaderSize = behaviour().streamHeaderSize;
    return behaviour().pinCreateStatus;
}

NTSTATUS NTAPI pinClose(PKSPIN, PIRP) {
    note("Pin.Close");
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI pinSetDataFormat(PKSPIN pin, PKSDATAFORMAT oldFormat, PKSMULTIPLE_ITEM,
                                const KSDATARANGE* range, const KSATTRIBUTE_LIST*) {
    const auto* format =
        reinterpret_cast<const KS_DATAFORMAT_VIDEOINFOHEADER*>(pin->ConnectionFormat);
    std::string call = "Pin.SetDataFormat(old=";
    if (oldFormat == nullptr) {
        call += "null";
    } else {
        call += std::to_string(reinterpret_cast<PKS_DATAFORMAT_VIDEOINFOHEADER>(oldFormat)
                                   ->VideoInfoHeader.bmiHeader.biWidth);
    }
    call += ",new=" + std::to_string(format->VideoInfoHeader.bmiHeader.biWidth);
    call += range == &videoRange().DataRange ? ",range)" : ",?)";
    note(call);
    return behaviour().setFormatStatus;
}

NTSTATUS NTAPI pinSetDeviceState(PKSPIN, KSSTATE to, KSSTATE from) {
    const std::string step = "Pin.State(" + std::to_string(from) + ">" + std::to_string(to) + ")";
    note(step);
    noteEvent(step);
    return to == behaviour().refuseState && to != KSSTATE_STOP ? STATUS_DEVICE_NOT_READY
                                                               : STATUS_SUCCESS;
}

// Answers with a video-info format of the pin range's size.
NTSTATUS NTAPI intersect(PVOID context, PIRP, PKSP_PIN, PKSDATARANGE, PKSDATARANGE matching,
                         ULONG bufferSize, PVOID data, PULONG dataSize) {
    note(std::string("Intersect") + (KsGetDevice(context) != nullptr ? "" : "(no filter)"));
    if (matching != &videoRange().DataRange) {
        return STATUS_NO_MATCH;
    }
    *dataSize = sizeof(KS_DATAFORMAT_VIDEOINFOHEADER);
    if (bufferSize == 0) {
        return STATUS_BUFFER_OVERFLOW;
    }
    if (bufferSize < *dataSize) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    const KS_DATAFORMAT_VIDEOINFOHEADER format = videoFormat(kWidth, kHeight);
    std::memcpy(data, &format, sizeof format);
    return STATUS_SUCCESS;
}

const KSPIN_DISPATCH kPinDispatch = {
    pinCreate,         pinClose, pinProcess, nullptr, pinSetDataFormat,
    pinSetDeviceState, nullptr,  nullptr,    nullptr, nullptr,
};

const KSPIN_DISPATCH kStatelessPinDispatch = {
    pinCreate, pinClose, pinProcess, nullptr, pinSetDataFormat,
    nullptr,   nullptr,  nullptr,    nullptr, nullptr,
};

const PKSDATARANGE kRanges[] = {const_cast<PKSDATARANGE>(&videoRange().DataRange)};

// Not const: tests choose the flags and dispatch before making a pin.
KSPIN_DESCRIPTOR_EX kPins[] = {{
    &kPinDispatch,
    nullptr,
    {DEFINE_KSPIN_DEFAULT_INTERFACES,
     DEFINE_KSPIN_DEFAULT_MEDIUMS,
     SIZEOF_ARRAY(kRanges),
     kRanges,
     KSPIN_DATAFLOW_OUT,
     KSPIN_COMMUNICATION_BOTH,
     &PINNAME_VIDEO_CAPTURE,
     &PINNAME_VIDEO_CAPTURE,
     {0}},
    0,
    1,
    1,
    nullptr,
    intersect,
}};

// ---- Filter and device ---------------------------------------------------------
NTSTATUS NTAPI filterCreate(PKSFILTER filter, PIRP irp) {
    note(std::string("Filter.Create") + (KsGetFilterFromIrp(irp) == filter ? "" : "(no filter)"));
    return behaviour().filterCreateStatus;
}

NTSTATUS NTAPI filterClose(PKSFILTER, PIRP) {
    note("Filter.Close");
    return STATUS_SUCCESS;
}

const KSFILTER_DISPATCH kFilterDispatch = {filterCreate, filterClose, nullptr, nullptr};
const GUID kCategories[] = {STATICGUIDOF(KSCATEGORY_VIDEO), STATICGUIDOF(KSCATEGORY_CAPTURE)};

DEFINE_KSFILTER_DESCRIPTOR(kFilterDescriptor){
    &kFilterDispatch,
    &kFilterAutomation,
    KSFILTER_DESCRIPTOR_VERSION,
    0,
    &KSNAME_Filter,
    DEFINE_KSFILTER_PIN_DESCRIPTORS(kPins),
    DEFINE_KSFILTER_CATEGORIES(kCategories),
    DEFINE_KSFILTER_NODE_DESCRIPTORS_NULL,
    DEFINE_KSFILTER_DEFAULT_CONNECTIONS,
    nullptr,
};

NTSTATUS NTAPI deviceAdd(PKSDEVICE device) {
    note("Add");
    if (behaviour().bagItemsInAdd) {
        PVOID plain = ExAllocatePoolWithTag(NonPagedPoolNx, 16, kToyTag);
        PVOID counted = ExAllocatePoolWithTag(NonPagedPoolNx, 16, kToyTag);
        KsAddItemToObjectBag(device->Bag, plain, nullptr);
        KsAddItemToObjectBag(device->Bag, counted, freeBagged);
    }
    return behaviour().addStatus;
}

NTSTATUS NTAPI deviceStart(PKSDEVICE device, PIRP irp, PCM_RESOURCE_LIST, PCM_RESOURCE_LIST) {
    const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    note(stack->MajorFunction == IRP_MJ_PNP && stack->MinorFunction == IRP_MN_START_DEVICE
             ? "Start"
             : "Start(wrong irp)");
    WCHAR reference[] = {'t', 'o', 'y', 0};
    return KsCreateFilterFactory(device->FunctionalDeviceObject, &kFilterDescriptor, reference,
                                 nullptr, KSCREATE_ITEM_FREEONSTOP, nullptr, nullptr, nullptr);
}

NTSTATUS NTAPI devicePostStart(PKSDEVICE) {
    note("PostStart");
    return STATUS_SUCCESS;
}

void NTAPI deviceStop(PKSDEVICE, PIRP) {
    note("Stop");
}

void NTAPI deviceSurpriseRemoval(PKSDEVICE, PIRP) {
    note("SurpriseRemoval");
}

void NTAPI deviceRemove(PKSDEVICE, PIRP) {
    note("Remove");
}

const KSDEVICE_DISPATCH kDeviceDispatch = {
    deviceAdd,
    deviceStart,
    devicePostStart,
    nullptr,
    nullptr,
    deviceStop,
    nullptr,
    nullptr,
    deviceRemove,
    nullptr,
    deviceSurpriseRemoval,
    nullptr,
    nullptr,
    nullptr,
};

const KSDEVICE_DESCRIPTOR kDeviceDescriptor = {&kDeviceDispatch, 0, nullptr,
                                               KSDEVICE_DESCRIPTOR_VERSION};

}  // namespace

std::string Journal::text() const {
    std::string joined;
    for (const std::string& call : calls) {
        joined += (joined.empty() ? "" : " ") + call;
    }
    return joined;
}

Journal& journal() {
    static Journal instance;
    return instance;
}

Behaviour& behaviour() {
    static Behaviour instance;
    return instance;
}

LastRequest& lastRequest() {
    static LastRequest instance;
    return instance;
}

void reset() {
    journal() = Journal{};
    behaviour() = Behaviour{};
    lastRequest() = LastRequest{};
    freedItems = 0;
    gain = 0;
    setPinFlags(0);
    setPinWithoutSetDeviceState(false);
    resetProcess();
}

void setPinFlags(ULONG flags) {
    kPins[0].Flags = flags;
}

void setPinWithoutSetDeviceState(bool without) {
    kPins[0].Dispatch = without ? &kStatelessPinDispatch : &kPinDispatch;
}

int freedBagItems() {
    return freedItems;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    note("DriverEntry");
    return KsInitializeDriver(driver, registryPath, &kDeviceDescriptor);
}

const KS_DATARANGE_VIDEO& videoRange() {
    static const KS_DATARANGE_VIDEO range = [] {
        KS_DATARANGE_VIDEO r{};
        r.DataRange.FormatSize = sizeof(KS_DATARANGE_VIDEO);
        r.DataRange.SampleSize = kWidth * kHeight * 4;
        r.DataRange.MajorFormat = KSDATAFORMAT_TYPE_VIDEO;
        r.DataRange.SubFormat = KSDATAFORMAT_SUBTYPE_RGB32;
        r.DataRange.Specifier = KSDATAFORMAT_SPECIFIER_VIDEOINFO;
        r.bFixedSizeSamples = TRUE;
        r.VideoInfoHeader.bmiHeader.biWidth = kWidth;
        r.VideoInfoHeader.bmiHeader.biHeight = kHeight;
        return r;
    }();
    return range;
}

KS_DATAFORMAT_VIDEOINFOHEADER videoFormat(LONG width, LONG height) {
    KS_DATAFORMAT_VIDEOINFOHEADER format{};
    format.DataFormat = videoRange().DataRange;
    format.DataFormat.FormatSize = sizeof(KS_DATAFORMAT_VIDEOINFOHEADER);
    format.VideoInfoHeader = videoRange().VideoInfoHeader;
    format.VideoInfoHeader.bmiHeader.biSize = sizeof(KS_BITMAPINFOHEADER);
    format.VideoInfoHeader.bmiHeader.biWidth = width;
    format.VideoInfoHeader.bmiHeader.biHeight = height;
    format.VideoInfoHeader.bmiHeader.biBitCount = 32;
    return format;
}

}  // namespace toy
