#include "ks_client.h"

#include <cstring>
#include <mutex>

#include <kernel/host_kernel.h>

#include "class_operations.h"
#include "format_match.h"
#include "pin_stream.h"
#include "property_request.h"
#include "streaming_host.h"

namespace host::streaming {
namespace {

using detail::DeviceInstance;
using detail::FilterInstance;
using detail::PinInstance;

// Runs `operation` under the device's dispatch lock if the filter (and the
// pin, when given) are still live; STATUS_INVALID_HANDLE otherwise.
template <typename Operation>
NTSTATUS withObjects(PKSFILTER filter, PKSPIN pin, Operation operation) {
    if (!detail::atPassiveLevel("a streaming client call")) {
        return STATUS_INVALID_DEVICE_STATE;
    }
    FilterInstance* filterInstance = detail::liveFilter(filter);
    if (filterInstance == nullptr) {
        return STATUS_INVALID_HANDLE;
    }
    std::lock_guard lock(filterInstance->factory->device->dispatchLock);
    PinInstance* pinInstance = pin != nullptr ? detail::livePin(pin) : nullptr;
    if (detail::liveFilter(filter) != filterInstance ||
        (pin != nullptr && pinInstance == nullptr)) {
        return STATUS_INVALID_HANDLE;
    }
    return operation(*filterInstance, pinInstance);
}

PropertyReply runProperty(PKSFILTER filter, PKSPIN pin, const void* request, ULONG requestLength,
                          void* data, ULONG dataLength) {
    PropertyReply reply{STATUS_SUCCESS, 0};
    reply.status = withObjects(filter, pin, [&](FilterInstance& f, PinInstance* p) {
        const detail::PropertyResult result = detail::runPropertyRequest(
            p == nullptr ? &f : nullptr, p, request, requestLength, data, dataLength);
        reply.bytesReturned = result.bytesReturned;
        return result.status;
    });
    return reply;
}

PKSFILTER filterOfPin(PKSPIN pin) {
    PinInstance* instance = detail::livePin(pin);
    return instance != nullptr ? &instance->filter->ks : nullptr;
}

// A size query, then the fetch with the size it gave.
NTSTATUS sizedFetch(const FilterHandle& filter, const void* request, ULONG requestLength,
                    std::vector<std::uint8_t>& out) {
    out.clear();
    PropertyReply reply = filter.property(request, requestLength, nullptr, 0);
    if (reply.status != STATUS_BUFFER_OVERFLOW) {
        return NT_SUCCESS(reply.status) ? STATUS_UNSUCCESSFUL : reply.status;
    }
    out.resize(reply.bytesReturned);
    reply = filter.property(request, requestLength, out.data(), static_cast<ULONG>(out.size()));
    out.resize(NT_SUCCESS(reply.status) ? reply.bytesReturned : 0);
    return reply.status;
}

KSP_PIN pinRequest(ULONG id, ULONG pinId) {
    KSP_PIN request{};
    request.Property.Set = KSPROPSETID_Pin;
    request.Property.Id = id;
    request.Property.Flags = KSPROPERTY_TYPE_GET;
    request.PinId = pinId;
    return request;
}

std::vector<std::uint8_t> intersectionRequest(
    ULONG pinId, const std::vector<std::vector<std::uint8_t>>& ranges) {
    std::vector<std::uint8_t> request(sizeof(KSP_PIN) + sizeof(KSMULTIPLE_ITEM));
    const KSP_PIN header = pinRequest(KSPROPERTY_PIN_DATAINTERSECTION, pinId);
    std::memcpy(request.data(), &header, sizeof header);
    for (const auto& range : ranges) {
        const std::size_t at = request.size();
        request.resize(at + detail::alignedRangeSize(static_cast<ULONG>(range.size())));
        std::memcpy(request.data() + at, range.data(), range.size());
    }
    const KSMULTIPLE_ITEM list{static_cast<ULONG>(request.size() - sizeof(KSP_PIN)),
                               static_cast<ULONG>(ranges.size())};
    std::memcpy(request.data() + sizeof(KSP_PIN), &list, sizeof list);
    return request;
}

}  // namespace

std::vector<PKSDEVICE> listDevices() {
    return loadedDevices();
}

std::vector<std::string> interfaceReferences(PKSDEVICE device, const GUID& category) {
    std::vector<std::string> references;
    DeviceInstance* instance = detail::liveDevice(device);
    if (instance == nullptr) {
        return references;
    }
    std::lock_guard lock(instance->dispatchLock);
    for (const auto& factory : instance->factories) {
        const KSFILTER_DESCRIPTOR* descriptor = factory->ks.FilterDescriptor;
        for (ULONG i = 0; i < descriptor->CategoriesCount; ++i) {
            if (std::memcmp(&descriptor->Categories[i], &category, sizeof category) == 0) {
                references.emplace_back(factory->reference.begin(), factory->reference.end());
            }
        }
    }
    return references;
}

// ---- FilterHandle ------------------------------------------------------------

FilterHandle FilterHandle::open(PKSDEVICE device, std::string_view reference, NTSTATUS* status) {
    *status = STATUS_NO_SUCH_DEVICE;
    if (!detail::atPassiveLevel("FilterHandle::open")) {
        return FilterHandle();
    }
    DeviceInstance* instance = detail::liveDevice(device);
    if (instance == nullptr) {
        return FilterHandle();
    }
    std::u16string text(reference.begin(), reference.end());
    std::lock_guard lock(instance->dispatchLock);
    FilterInstance* filter = nullptr;
    *status = detail::openFilter(*instance, text, &filter);
    return FilterHandle(filter != nullptr ? &filter->ks : nullptr);
}

FilterHandle::~FilterHandle() {
    close();
}

FilterHandle::FilterHandle(FilterHandle&& other) noexcept : filter_(other.filter_) {
    other.filter_ = nullptr;
}

FilterHandle& FilterHandle::operator=(FilterHandle&& other) noexcept {
    if (this != &other) {
        close();
        filter_ = other.filter_;
        other.filter_ = nullptr;
    }
    return *this;
}

void FilterHandle::close() {
    if (filter_ == nullptr) {
        return;
    }
    withObjects(filter_, nullptr, [](FilterInstance& filter, PinInstance*) {
        detail::closeFilter(&filter);
        return STATUS_SUCCESS;
    });
    filter_ = nullptr;
}

PropertyReply FilterHandle::property(const void* request, ULONG requestLength, void* data,
                                     ULONG dataLength) const {
    return runProperty(filter_, nullptr, request, requestLength, data, dataLength);
}

PropertyReply FilterHandle::property(const GUID& set, ULONG id, ULONG flags, void* data,
                                     ULONG dataLength) const {
    KSPROPERTY request{};
    request.Set = set;
    request.Id = id;
    request.Flags = flags;
    return property(&request, sizeof request, data, dataLength);
}

NTSTATUS FilterHandle::getLong(const GUID& set, ULONG id, LONG* value, LONG* flags) const {
    LongPropertyPayload payload{};
    payload.Property.Set = set;
    payload.Property.Id = id;
    payload.Property.Flags = KSPROPERTY_TYPE_GET;
    const PropertyReply reply = property(&payload, sizeof payload, &payload, sizeof payload);
    if (NT_SUCCESS(reply.status)) {
        *value = payload.Value;
        if (flags != nullptr) {
            *flags = payload.Flags;
        }
    }
    return reply.status;
}

NTSTATUS FilterHandle::setLong(const GUID& set, ULONG id, LONG value, LONG flags) const {
    LongPropertyPayload payload{};
    payload.Property.Set = set;
    payload.Property.Id = id;
    payload.Property.Flags = KSPROPERTY_TYPE_SET;
    payload.Value = value;
    payload.Flags = flags;
    return property(&payload, sizeof payload, &payload, sizeof payload).status;
}

NTSTATUS FilterHandle::dataRanges(ULONG pinId, std::vector<std::uint8_t>& ranges) const {
    const KSP_PIN request = pinRequest(KSPROPERTY_PIN_DATARANGES, pinId);
    return sizedFetch(*this, &request, sizeof request, ranges);
}

NTSTATUS FilterHandle::intersect(ULONG pinId,
                                 const std::vector<std::vector<std::uint8_t>>& callerRanges,
                                 std::vector<std::uint8_t>& format) const {
    const std::vector<std::uint8_t> request = intersectionRequest(pinId, callerRanges);
    return sizedFetch(*this, request.data(), static_cast<ULONG>(request.size()), format);
}

PinHandle FilterHandle::createPin(ULONG pinId, const KSDATAFORMAT* format, NTSTATUS* status) const {
    std::vector<std::uint8_t> connect(sizeof(KSPIN_CONNECT) + format->FormatSize);
    KSPIN_CONNECT header{};
    header.Interface.Set = KSINTERFACESETID_Standard;
    header.Interface.Id = KSINTERFACE_STANDARD_STREAMING;
    header.Medium.Set = KSMEDIUMSETID_Standard;
    header.Medium.Id = KSMEDIUM_TYPE_ANYINSTANCE;
    header.PinId = pinId;
    header.Priority.PriorityClass = KSPRIORITY_NORMAL;
    header.Priority.PrioritySubClass = 1;
    std::memcpy(connect.data(), &header, sizeof header);
    std::memcpy(connect.data() + sizeof header, format, format->FormatSize);
    return createPin(connect.data(), static_cast<ULONG>(connect.size()), status);
}

// The creation bytes are copied to 8-byte aligned storage first, as the
// class captures a create request.
PinHandle FilterHandle::createPin(const void* connect, ULONG length, NTSTATUS* status) const {
    std::vector<LONGLONG> captured((length + 7U) / 8U + 1U);
    std::memcpy(captured.data(), connect, length);
    PKSPIN created = nullptr;
    std::shared_ptr<detail::PinStream> stream;
    *status = withObjects(filter_, nullptr, [&](FilterInstance& filter, PinInstance*) {
        PinInstance* pin = nullptr;
        const NTSTATUS result = detail::createPin(
            filter, reinterpret_cast<const KSPIN_CONNECT*>(captured.data()), length, &pin);
        if (pin != nullptr) {
            created = &pin->ks;
            stream = pin->stream;
        }
        return result;
    });
    return PinHandle(created, std::move(stream));
}

// ---- PinHandle -------------------------------------------------------------

PinHandle::PinHandle(PKSPIN pin, std::shared_ptr<detail::PinStream> stream)
    : pin_(pin), stream_(std::move(stream)) {}

PinHandle::~PinHandle() {
    close();
}

PinHandle::PinHandle(PinHandle&& other) noexcept
    : pin_(other.pin_), stream_(std::move(other.stream_)) {
    other.pin_ = nullptr;
}

PinHandle& PinHandle::operator=(PinHandle&& other) noexcept {
    if (this != &other) {
        close();
        pin_ = other.pin_;
        stream_ = std::move(other.stream_);
        other.pin_ = nullptr;
    }
    return *this;
}

void PinHandle::close() {
    if (pin_ == nullptr) {
        return;
    }
    withObjects(filterOfPin(pin_), pin_, [](FilterInstance&, PinInstance* pin) {
        detail::closePin(pin);
        return STATUS_SUCCESS;
    });
    pin_ = nullptr;
    stream_.reset();
}

PropertyReply PinHandle::property(const void* request, ULONG requestLength, void* data,
                                  ULONG dataLength) const {
    return runProperty(filterOfPin(pin_), pin_, request, requestLength, data, dataLength);
}

NTSTATUS PinHandle::setState(KSSTATE state) const {
    KSPROPERTY request{};
    request.Set = KSPROPSETID_Connection;
    request.Id = KSPROPERTY_CONNECTION_STATE;
    request.Flags = KSPROPERTY_TYPE_SET;
    return property(&request, sizeof request, &state, sizeof state).status;
}

NTSTATUS PinHandle::getState(KSSTATE* state) const {
    KSPROPERTY request{};
    request.Set = KSPROPSETID_Connection;
    request.Id = KSPROPERTY_CONNECTION_STATE;
    request.Flags = KSPROPERTY_TYPE_GET;
    return property(&request, sizeof request, state, sizeof *state).status;
}

NTSTATUS PinHandle::setFormat(const KSDATAFORMAT* format) const {
    KSPROPERTY request{};
    request.Set = KSPROPSETID_Connection;
    request.Id = KSPROPERTY_CONNECTION_DATAFORMAT;
    request.Flags = KSPROPERTY_TYPE_SET;
    return property(&request, sizeof request, const_cast<KSDATAFORMAT*>(format), format->FormatSize)
        .status;
}

}  // namespace host::streaming

namespace host::streaming {

// The queue refuses buffers while the pin is stopped (they could never be
// processed, and the class cancels what is queued when it stops).
NTSTATUS PinHandle::submitFrame(ULONG frameExtent) const {
    return withObjects(filterOfPin(pin_), pin_, [frameExtent](FilterInstance&, PinInstance* pin) {
        if (pin->ks.DeviceState == KSSTATE_STOP) {
            return STATUS_INVALID_DEVICE_STATE;
        }
        bool wasEmpty = false;
        const NTSTATUS status = pin->stream->queue.submit(frameExtent, &wasEmpty);
        if (NT_SUCCESS(status)) {
            pin->stream->processor.bufferArrived(wasEmpty);
        }
        return status;
    });
}

// Waits without the dispatch lock on the stream the handle holds, so a
// concurrent close cannot free it.
bool PinHandle::waitForFrame(CapturedFrame* frame, std::chrono::milliseconds timeout) const {
    if (!detail::atPassiveLevel("PinHandle::waitForFrame")) {
        return false;
    }
    return stream_ != nullptr && stream_->queue.waitCompleted(frame, timeout);
}

std::size_t PinHandle::pendingFrames() const {
    return stream_ != nullptr ? stream_->queue.pending() : 0;
}

}  // namespace host::streaming
