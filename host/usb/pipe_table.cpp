#include "pipe_table.h"

namespace host::usb {
namespace {

// Handles look like kernel pointers but point nowhere, so a driver that
// dereferences one faults instead of reading bus state.
constexpr std::uintptr_t kHandleBase = 0xB5B0'0000'0000;
constexpr std::uintptr_t kHandleStride = 0x40;

}  // namespace

USBD_CONFIGURATION_HANDLE PipeTable::beginConfiguration(UCHAR value,
                                                        std::vector<PendingRequest>& orphans) {
    closeAll(orphans);
    configured_ = true;
    configurationValue_ = value;
    return newHandle();
}

USBD_INTERFACE_HANDLE PipeTable::newInterfaceHandle() {
    return newHandle();
}

USBD_PIPE_HANDLE PipeTable::openPipe(const USB_ENDPOINT_DESCRIPTOR& endpoint) {
    const USBD_PIPE_HANDLE handle = newHandle();
    PipeState& pipe = pipes_[handle];
    pipe.endpointAddress = endpoint.bEndpointAddress;
    pipe.type = static_cast<USBD_PIPE_TYPE>(endpoint.bmAttributes & USB_ENDPOINT_TYPE_MASK);
    pipe.maximumPacketSize = endpoint.wMaxPacketSize;
    pipe.interval = endpoint.bInterval;
    return handle;
}

void PipeTable::unconfigure(std::vector<PendingRequest>& orphans) {
    closeAll(orphans);
    configured_ = false;
    configurationValue_ = 0;
}

PipeState* PipeTable::find(USBD_PIPE_HANDLE handle) {
    const auto it = pipes_.find(handle);
    return it == pipes_.end() ? nullptr : &it->second;
}

PVOID PipeTable::newHandle() {
    lastHandle_ += kHandleStride;
    return reinterpret_cast<PVOID>(kHandleBase + lastHandle_);
}

void PipeTable::closeAll(std::vector<PendingRequest>& orphans) {
    for (auto& [handle, pipe] : pipes_) {
        orphans.insert(orphans.end(), pipe.queue.requests.begin(), pipe.queue.requests.end());
    }
    pipes_.clear();
}

}  // namespace host::usb
