// Completing requests and tracing them. Called with no lock of the bus
// held: a completion routine may send the next request down at once.
#include <span>

#include "bus_core.h"
#include "scoped_dispatch_level.h"

namespace host::usb {
namespace {

std::uint64_t irpId(PIRP irp) {
    return reinterpret_cast<std::uintptr_t>(irp);
}

SetupPacket descriptorSetup(const struct _URB_CONTROL_DESCRIPTOR_REQUEST& r) {
    return {0x80, USB_REQUEST_GET_DESCRIPTOR,
            static_cast<std::uint16_t>(r.DescriptorType << 8 | r.Index), r.LanguageId,
            static_cast<std::uint16_t>(r.TransferBufferLength)};
}

SetupPacket configurationSetup(const struct _URB_SELECT_CONFIGURATION& r) {
    const std::uint16_t value =
        r.ConfigurationDescriptor == nullptr ? 0 : r.ConfigurationDescriptor->bConfigurationValue;
    return {0x00, USB_REQUEST_SET_CONFIGURATION, value, 0, 0};
}

UsbPcapTransfer pcapTransfer(USBD_PIPE_TYPE type) {
    return type == UsbdPipeTypeInterrupt ? UsbPcapTransfer::kInterrupt : UsbPcapTransfer::kBulk;
}

std::span<const std::uint8_t> bytes(const std::uint8_t* data, ULONG length) {
    return data == nullptr ? std::span<const std::uint8_t>{}
                           : std::span<const std::uint8_t>(data, length);
}

}  // namespace

void BusCore::finish(const PendingRequest& request, NTSTATUS status, USBD_STATUS usbdStatus) {
    if (request.urb != nullptr) {
        request.urb->UrbHeader.Status = usbdStatus;
    }
    traceCompletion(request, usbdStatus);
    request.irp->IoStatus.Status = status;
    request.irp->IoStatus.Information = 0;
    --outstanding_;
    IoCompleteRequest(request.irp, IO_NO_INCREMENT);
}

void BusCore::finishUntransferred(const PendingRequest& request, NTSTATUS status,
                                  USBD_STATUS usbdStatus) {
    if (request.kind == RequestKind::kBulkTransfer) {
        request.urb->UrbBulkOrInterruptTransfer.TransferBufferLength = 0;
    } else if (request.kind == RequestKind::kGetDescriptor) {
        request.urb->UrbControlDescriptorRequest.TransferBufferLength = 0;
    }
    finish(request, status, usbdStatus);
}

void BusCore::finishAll(const std::vector<PendingRequest>& requests, NTSTATUS status,
                        USBD_STATUS usbdStatus) {
    ScopedDispatchLevel dispatch;
    for (const PendingRequest& request : requests) {
        finishUntransferred(request, status, usbdStatus);
    }
}

void BusCore::traceSubmission(const PendingRequest& request) {
    const std::uint64_t id = irpId(request.irp);
    switch (request.kind) {
        case RequestKind::kGetDescriptor:
            trace_.controlSubmitted(id, URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE,
                                    descriptorSetup(request.urb->UrbControlDescriptorRequest), {});
            break;
        case RequestKind::kSelectConfiguration:
            trace_.controlSubmitted(id, URB_FUNCTION_SELECT_CONFIGURATION,
                                    configurationSetup(request.urb->UrbSelectConfiguration), {});
            break;
        case RequestKind::kBulkTransfer: {
            const bool in = USB_ENDPOINT_DIRECTION_IN(request.endpointAddress) != 0;
            trace_.bulkSubmitted(
                id, URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER, pcapTransfer(request.pipeType),
                request.endpointAddress,
                in ? std::span<const std::uint8_t>{} : bytes(request.buffer, request.length));
            break;
        }
        default:
            break;  // pipe and port requests carry no data on the wire
    }
}

void BusCore::traceCompletion(const PendingRequest& request, USBD_STATUS usbdStatus) {
    const std::uint64_t id = irpId(request.irp);
    switch (request.kind) {
        case RequestKind::kGetDescriptor: {
            const auto& r = request.urb->UrbControlDescriptorRequest;
            trace_.controlCompleted(id, URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE, usbdStatus,
                                    descriptorSetup(r),
                                    bytes(request.buffer, r.TransferBufferLength));
            break;
        }
        case RequestKind::kSelectConfiguration:
            trace_.controlCompleted(id, URB_FUNCTION_SELECT_CONFIGURATION, usbdStatus,
                                    configurationSetup(request.urb->UrbSelectConfiguration), {});
            break;
        case RequestKind::kBulkTransfer: {
            const bool in = USB_ENDPOINT_DIRECTION_IN(request.endpointAddress) != 0;
            const ULONG moved = request.urb->UrbBulkOrInterruptTransfer.TransferBufferLength;
            trace_.bulkCompleted(
                id, URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER, pcapTransfer(request.pipeType),
                request.endpointAddress, usbdStatus,
                in ? bytes(request.buffer, moved) : std::span<const std::uint8_t>{});
            break;
        }
        default:
            break;
    }
}

}  // namespace host::usb
