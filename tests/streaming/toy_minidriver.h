// A small AVStream minidriver for the streaming-class tests: one device
// whose Start registers one filter factory ("toy", KSCREATE_ITEM_FREEONSTOP),
// one capture pin with one RGB32 video range, an intersect handler and a
// Process that fills buffers from a counter (toy_process.h), and a filter
// property set of three 32-bit items. Every callback records
// itself (with the IRQL it ran at) in the journal, so tests check what the
// class called and in which order.
//
// State is process-wide; ToyMinidriver::reset() before each test. Used on
// the test's main thread only.
#pragma once

#include <streaming/ks_api.h>

#include <string>
#include <vector>

namespace toy {

// {6D1C7E2A-3B4F-4C5D-8E9F-0A1B2C3D4E5F}
inline constexpr GUID kPropertySet = {
    0x6D1C7E2A, 0x3B4F, 0x4C5D, {0x8E, 0x9F, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}};
enum ToyProperty : ULONG {
    kGain = 0,       // get and set, 32-byte payload
    kReadOnly = 1,   // get only
    kWriteOnly = 2,  // set only
};
constexpr ULONG kPayloadSize = 32;
constexpr LONG kGainMinimum = 0;
constexpr LONG kGainMaximum = 100;

constexpr LONG kWidth = 64;
constexpr LONG kHeight = 48;

struct Journal {
    std::vector<std::string> calls;  // "Add", "Start", "Pin.SetDataFormat(old=null)", ...
    bool allAtPassive = true;
    std::string text() const;  // calls joined with ' '
};

struct Behaviour {
    NTSTATUS addStatus = STATUS_SUCCESS;
    NTSTATUS filterCreateStatus = STATUS_SUCCESS;
    NTSTATUS pinCreateStatus = STATUS_SUCCESS;
    NTSTATUS setFormatStatus = STATUS_SUCCESS;
    // SetDeviceState refuses the step into this state (KSSTATE_STOP: none).
    KSSTATE refuseState = KSSTATE_STOP;
    // The gain get handler leaves Information as the class set it.
    bool getSetsInformation = true;
    // The pin create dispatch sets the pin's StreamHeaderSize to this.
    ULONG streamHeaderSize = 0;
    // The read-only handler writes this many bytes past its 4-byte value.
    ULONG overrunBytes = 0;
    // Add bags one pool block (null free) and one with a free function.
    bool bagItemsInAdd = false;
};

Journal& journal();
Behaviour& behaviour();
void reset();

// The pin descriptor's Flags (KSPIN_FLAG_...) for pins made from now on.
void setPinFlags(ULONG flags);
// Pins made from now on have no SetDeviceState.
void setPinWithoutSetDeviceState(bool without);

// Seen by the last property handler call.
struct LastRequest {
    ULONG flags = 0;
    ULONG_PTR informationOnEntry = 0;
    bool filterFromIrp = false;
};
LastRequest& lastRequest();

// Pool blocks bagged by Add with a free function, freed through it.
int freedBagItems();

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath);

// The pin's range, and a whole KS_DATAFORMAT_VIDEOINFOHEADER for it.
const KS_DATARANGE_VIDEO& videoRange();
KS_DATAFORMAT_VIDEOINFOHEADER videoFormat(LONG width, LONG height);

}  // namespace toy
