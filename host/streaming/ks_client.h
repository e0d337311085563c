// The application side of the stand-in streaming class: what a capture
// program does through the system (open a filter by its reference string,
// read a pin's data ranges, intersect, create a pin with a format, run it,
// send property requests), for tests and tools.
//
//   auto filter = host::streaming::FilterHandle::open(device, "{9B365890-...}", &status);
//   std::vector<std::uint8_t> format;
//   filter.intersect(0, {rangeBytes}, format);
//   auto pin = filter.createPin(0, reinterpret_cast<const KSDATAFORMAT*>(format.data()), &status);
//   pin.setState(KSSTATE_RUN);
//   pin.submitFrame(frameBytes);
//   host::streaming::CapturedFrame frame;
//   if (pin.waitForFrame(&frame, std::chrono::seconds(1))) { ... }
//
// Handles are RAII and move-only; closing a filter closes its pins first
// (as the class does when the last reference goes). A handle whose object
// the class has already closed (device stopped or removed) answers
// STATUS_INVALID_HANDLE. Every call runs on the calling thread at
// PASSIVE_LEVEL and takes the device's dispatch lock: the driver's
// callbacks run on this thread, one class operation at a time per device.
// The exceptions are the pin's Process dispatch, which runs on the pin's
// processing thread (or on a driver thread that asks for synchronous
// processing), and waitForFrame, which waits without the lock; any thread
// may wait for a pin's frames while another changes its state or closes it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ks_api.h"

namespace host::streaming {

namespace detail {
struct PinStream;
}

// What IOCTL_KS_PROPERTY returned: the status and the bytes returned (the
// required size, for STATUS_BUFFER_OVERFLOW).
struct PropertyReply {
    NTSTATUS status;
    ULONG bytesReturned;
};

// A 32-bit property's request and data in one structure: the KSPROPERTY,
// the value and a second LONG (flags or capabilities, as the property set
// defines). The caller passes the same structure as request and data.
struct LongPropertyPayload {
    KSPROPERTY Property;
    LONG Value;
    LONG Flags;
};
static_assert(sizeof(LongPropertyPayload) == 32);

// Devices added and not yet removed, oldest first.
std::vector<PKSDEVICE> listDevices();

// The reference strings (ASCII) of the device interfaces `device`'s filter
// factories registered under `category`: as KsCreateFilterFactory does, one
// interface per category its filter descriptor lists. What an application
// enumerating that interface class (the Camera app: the video camera
// category) finds of the device; empty when no factory lists it.
std::vector<std::string> interfaceReferences(PKSDEVICE device, const GUID& category);

// A frame buffer as it came back to the application: filled by the driver
// (the stream pointer ejected) or cancelled because the pin stopped.
struct CapturedFrame {
    NTSTATUS status;                 // STATUS_SUCCESS, or STATUS_CANCELLED when the pin stopped
    std::vector<std::uint8_t> data;  // the buffer's first DataUsed bytes
    ULONG frameExtent;
    ULONG dataUsed;
    LONGLONG presentationTime;  // 100 ns
    LONGLONG duration;
    ULONG optionsFlags;
    // The header's frame information, when the pin's stream headers carry
    // one (its StreamHeaderSize makes room for a KS_FRAME_INFO).
    std::optional<KS_FRAME_INFO> frameInfo;
};

class PinHandle;

class FilterHandle {
  public:
    FilterHandle() = default;
    ~FilterHandle();
    FilterHandle(FilterHandle&& other) noexcept;
    FilterHandle& operator=(FilterHandle&& other) noexcept;
    FilterHandle(const FilterHandle&) = delete;
    FilterHandle& operator=(const FilterHandle&) = delete;

    // Opens a filter through the factory registered under `reference`
    // (ASCII; "" for a factory registered without one). *status gets the
    // class's or the filter's Create status.
    static FilterHandle open(PKSDEVICE device, std::string_view reference, NTSTATUS* status);

    bool isOpen() const { return filter_ != nullptr; }
    PKSFILTER filter() const { return filter_; }
    void close();

    // Any request bytes (a KSPROPERTY and what follows, or fewer bytes, for
    // fuzzing) and any data buffer.
    PropertyReply property(const void* request, ULONG requestLength, void* data,
                           ULONG dataLength) const;
    PropertyReply property(const GUID& set, ULONG id, ULONG flags, void* data,
                           ULONG dataLength) const;
    // KSPROPERTY_TYPE_GET/SET of a LongPropertyPayload.
    NTSTATUS getLong(const GUID& set, ULONG id, LONG* value, LONG* flags = nullptr) const;
    NTSTATUS setLong(const GUID& set, ULONG id, LONG value, LONG flags = 0) const;

    // KSPROPERTY_PIN_DATARANGES, size query then fetch: the KSMULTIPLE_ITEM
    // and the ranges as the class returns them.
    NTSTATUS dataRanges(ULONG pinId, std::vector<std::uint8_t>& ranges) const;
    // KSPROPERTY_PIN_DATAINTERSECTION with the caller's ranges (each a
    // whole KSDATARANGE-headed structure), size query then fetch.
    NTSTATUS intersect(ULONG pinId, const std::vector<std::vector<std::uint8_t>>& callerRanges,
                       std::vector<std::uint8_t>& format) const;

    // A pin with the standard streaming interface and medium and `format`
    // (FormatSize bytes).
    PinHandle createPin(ULONG pinId, const KSDATAFORMAT* format, NTSTATUS* status) const;
    // A pin from raw creation bytes (a KSPIN_CONNECT and a format), for
    // fuzzing.
    PinHandle createPin(const void* connect, ULONG length, NTSTATUS* status) const;

  private:
    explicit FilterHandle(PKSFILTER filter) : filter_(filter) {}
    PKSFILTER filter_ = nullptr;
};

class PinHandle {
  public:
    PinHandle() = default;
    ~PinHandle();
    PinHandle(PinHandle&& other) noexcept;
    PinHandle& operator=(PinHandle&& other) noexcept;
    PinHandle(const PinHandle&) = delete;
    PinHandle& operator=(const PinHandle&) = delete;

    bool isOpen() const { return pin_ != nullptr; }
    PKSPIN pin() const { return pin_; }
    void close();

    PropertyReply property(const void* request, ULONG requestLength, void* data,
                           ULONG dataLength) const;
    // KSPROPERTY_CONNECTION_STATE: the class steps the pin one state at a
    // time (Stop to Run passes Acquire and Pause), the whole change with the
    // pin's processing held off (a running Process finishes first); the first refusal ends the
    // change. Reaching Stop completes the buffers still queued with STATUS_CANCELLED.
    NTSTATUS setState(KSSTATE state) const;
    NTSTATUS getState(KSSTATE* state) const;
    // KSPROPERTY_CONNECTION_DATAFORMAT: a format change.
    NTSTATUS setFormat(const KSDATAFORMAT* format) const;

    // Queues one frame buffer of `frameExtent` bytes (an application's read).
    // STATUS_INVALID_DEVICE_STATE while the pin is stopped,
    // STATUS_INVALID_PARAMETER for an empty buffer. A buffer arriving in an
    // empty queue makes the class attempt processing.
    NTSTATUS submitFrame(ULONG frameExtent) const;
    // The next completed buffer, in submission order; false if none completes
    // within `timeout`. Buffers the class cancelled when it closed the pin
    // (device stopped or removed) are still collected through this handle
    // until it is closed; after that, false at once. Another thread may wait
    // while the pin changes state or the device goes, but not while this
    // handle is closed or moved.
    bool waitForFrame(CapturedFrame* frame, std::chrono::milliseconds timeout) const;
    // Buffers submitted and not yet collected with waitForFrame.
    std::size_t pendingFrames() const;

  private:
    friend class FilterHandle;
    PinHandle(PKSPIN pin, std::shared_ptr<detail::PinStream> stream);
    PKSPIN pin_ = nullptr;
    // The pin's queue, kept so that waits need no lock and outlive the pin.
    std::shared_ptr<detail::PinStream> stream_;
};

}  // namespace host::streaming
