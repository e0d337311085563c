// The device's configuration as the bus sees it: which configuration is
// selected and the pipes it opened, each with its queue of transfers.
//
// Handles are values the bus makes up and the driver treats as opaque;
// every configuration gets fresh ones, so a handle from an earlier
// configuration is invalid. Not thread-safe: the bus guards it with its
// lock.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "pending_request.h"
#include "usb_api.h"

namespace host::usb {

struct PipeState {
    UCHAR endpointAddress = 0;
    USBD_PIPE_TYPE type = UsbdPipeTypeBulk;
    USHORT maximumPacketSize = 0;
    UCHAR interval = 0;
    RequestQueue queue;
};

class PipeTable {
  public:
    bool configured() const { return configured_; }
    UCHAR configurationValue() const { return configurationValue_; }

    // Closes the current configuration's pipes (their queues are appended to
    // `orphans`) and opens an empty configuration with `value`.
    USBD_CONFIGURATION_HANDLE beginConfiguration(UCHAR value, std::vector<PendingRequest>& orphans);
    USBD_INTERFACE_HANDLE newInterfaceHandle();
    USBD_PIPE_HANDLE openPipe(const USB_ENDPOINT_DESCRIPTOR& endpoint);
    // Back to the unconfigured state; the pipes' queues go to `orphans`.
    void unconfigure(std::vector<PendingRequest>& orphans);

    PipeState* find(USBD_PIPE_HANDLE handle);
    std::map<USBD_PIPE_HANDLE, PipeState>& pipes() { return pipes_; }
    const std::map<USBD_PIPE_HANDLE, PipeState>& pipes() const { return pipes_; }

  private:
    PVOID newHandle();
    void closeAll(std::vector<PendingRequest>& orphans);

    bool configured_ = false;
    UCHAR configurationValue_ = 0;
    std::uintptr_t lastHandle_ = 0;
    std::map<USBD_PIPE_HANDLE, PipeState> pipes_;
};

}  // namespace host::usb
