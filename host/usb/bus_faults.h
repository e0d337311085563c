// Fault switches of the stand-in bus, for tests and tools. Thread-safe:
// set them from the test thread while the driver runs.
#pragma once

#include <cstddef>
#include <mutex>
#include <optional>

#include "usb_api.h"

namespace host::usb {

class BusFaults {
  public:
    // The n-th URB submission from now (1-based; counting only URBs of
    // `function` when given) is refused at the door: the dispatch routine
    // completes the IRP at once with `status` (URB status `usbdStatus`) and
    // IoCallDriver returns `status`, never STATUS_PENDING. The bus does not
    // carry or trace it. n == 0 cancels.
    void refuseSubmission(std::size_t n, NTSTATUS status = STATUS_INSUFFICIENT_RESOURCES,
                          USBD_STATUS usbdStatus = USBD_STATUS_INSUFFICIENT_RESOURCES,
                          std::optional<USHORT> function = std::nullopt);
    // While on, every GET_DESCRIPTOR request for the device descriptor fails
    // on the wire: the device does not answer (USBD_STATUS_DEV_NOT_RESPONDING,
    // STATUS_UNSUCCESSFUL).
    void failDeviceDescriptorRequests(bool on);
    void clear();

    // ---- Bus-facing --------------------------------------------------------
    struct Refusal {
        NTSTATUS status;
        USBD_STATUS usbdStatus;
    };
    // Counts a URB submission; the refusal when this is the one to refuse.
    std::optional<Refusal> countSubmission(USHORT function);
    bool deviceDescriptorFails() const;

  private:
    mutable std::mutex mutex_;
    std::size_t refuseCountdown_ = 0;
    Refusal refusal_{STATUS_INSUFFICIENT_RESOURCES, USBD_STATUS_INSUFFICIENT_RESOURCES};
    std::optional<USHORT> refuseFunction_;
    bool deviceDescriptorFails_ = false;
};

}  // namespace host::usb
