// The default pipe's requests on the bus thread: GET_DESCRIPTOR, and
// SELECT_CONFIGURATION as SET_CONFIGURATION on the wire followed by the
// bus opening (or, to unconfigure, closing) the configuration's pipes and
// filling the URB's handles and pipe information.
#include "bus_core.h"
#include "configuration_plan.h"
#include "usbd_status_mapping.h"

namespace host::usb {
namespace {

SetupPacket setConfiguration(std::uint16_t value) {
    return {0x00, USB_REQUEST_SET_CONFIGURATION, value, 0, 0};
}

void fillPipeInformation(USBD_PIPE_INFORMATION& pipe, const USB_ENDPOINT_DESCRIPTOR& endpoint,
                         USBD_PIPE_HANDLE handle) {
    pipe.MaximumPacketSize = endpoint.wMaxPacketSize;
    pipe.EndpointAddress = endpoint.bEndpointAddress;
    pipe.Interval = endpoint.bInterval;
    pipe.PipeType = static_cast<USBD_PIPE_TYPE>(endpoint.bmAttributes & USB_ENDPOINT_TYPE_MASK);
    pipe.PipeHandle = handle;
}

// Opens the interface's pipes and fills its information in the URB.
void openInterface(PipeTable& pipes, const InterfacePlan& interface) {
    PUSBD_INTERFACE_INFORMATION info = interface.information;
    info->Class = interface.descriptor->bInterfaceClass;
    info->SubClass = interface.descriptor->bInterfaceSubClass;
    info->Protocol = interface.descriptor->bInterfaceProtocol;
    info->InterfaceHandle = pipes.newInterfaceHandle();
    info->NumberOfPipes = interface.descriptor->bNumEndpoints;
    for (std::size_t i = 0; i < interface.endpoints.size(); ++i) {
        const USB_ENDPOINT_DESCRIPTOR& endpoint = *interface.endpoints[i];
        fillPipeInformation(info->Pipes[i], endpoint, pipes.openPipe(endpoint));
    }
}

}  // namespace

BusCore::Attempt BusCore::execute(const PendingRequest& request) {
    switch (request.kind) {
        case RequestKind::kGetDescriptor:
            return executeDescriptorRequest(request);
        case RequestKind::kSelectConfiguration:
            return executeSelectConfiguration(request);
        case RequestKind::kBulkTransfer:
            return executeTransfer(request);
        case RequestKind::kAbortPipe:
            return executeAbortPipe(request);
        case RequestKind::kResetPipe:
            return executeResetPipe(request);
        case RequestKind::kGetPortStatus:
            return executeGetPortStatus(request);
        case RequestKind::kResetPort:
            return executeResetPort();
    }
    return {false, false, STATUS_INVALID_PARAMETER, USBD_STATUS_INVALID_PARAMETER};
}

BusCore::Attempt BusCore::executeDescriptorRequest(const PendingRequest& request) {
    auto& r = request.urb->UrbControlDescriptorRequest;
    if (r.DescriptorType == USB_DEVICE_DESCRIPTOR_TYPE && faults_.deviceDescriptorFails()) {
        r.TransferBufferLength = 0;
        return {false, false, STATUS_UNSUCCESSFUL, USBD_STATUS_DEV_NOT_RESPONDING};
    }
    const SetupPacket setup{0x80, USB_REQUEST_GET_DESCRIPTOR,
                            static_cast<std::uint16_t>(r.DescriptorType << 8 | r.Index),
                            r.LanguageId, static_cast<std::uint16_t>(request.length)};
    const TransferOutcome outcome = device_.controlTransfer(setup, request.buffer);
    switch (outcome.response) {
        case DeviceResponse::kNak:
            return {true};
        case DeviceResponse::kStall:
            r.TransferBufferLength = 0;
            return {false, false, STATUS_UNSUCCESSFUL, USBD_STATUS_STALL_PID};
        case DeviceResponse::kAck:
            break;
    }
    if (outcome.length > request.length) {
        r.TransferBufferLength = request.length;
        return {false, false, STATUS_UNSUCCESSFUL, USBD_STATUS_BABBLE_DETECTED};
    }
    // A descriptor shorter than asked for is normal on the default pipe.
    r.TransferBufferLength = static_cast<ULONG>(outcome.length);
    return {};
}

BusCore::Attempt BusCore::executeSelectConfiguration(const PendingRequest& request) {
    if (request.urb->UrbSelectConfiguration.ConfigurationDescriptor == nullptr) {
        return unconfigure();
    }
    return configure(request.urb);
}

BusCore::Attempt BusCore::configure(PURB urb) {
    auto& r = urb->UrbSelectConfiguration;
    ConfigurationPlan plan;
    const USBD_STATUS planned = planConfiguration(r, plan);
    if (!USBD_SUCCESS(planned)) {
        return {false, false, ntStatusForUsbd(planned), planned};
    }
    const TransferOutcome outcome =
        device_.controlTransfer(setConfiguration(plan.configurationValue), nullptr);
    if (outcome.response == DeviceResponse::kNak) {
        return {true};
    }
    if (outcome.response == DeviceResponse::kStall) {
        return {false, false, STATUS_UNSUCCESSFUL, USBD_STATUS_SET_CONFIG_FAILED};
    }
    std::vector<PendingRequest> orphans;
    std::vector<PendingRequest> closed;
    {
        std::lock_guard lock(mutex_);
        r.ConfigurationHandle = pipes_.beginConfiguration(plan.configurationValue, orphans);
        for (const InterfacePlan& interface : plan.interfaces) {
            openInterface(pipes_, interface);
        }
        settleOrphans(orphans, closed);
    }
    finishAll(closed, STATUS_CANCELLED, USBD_STATUS_CANCELED);
    return {};
}

BusCore::Attempt BusCore::unconfigure() {
    const TransferOutcome outcome = device_.controlTransfer(setConfiguration(0), nullptr);
    if (outcome.response == DeviceResponse::kNak) {
        return {true};
    }
    // The pipes close even when the device stalls: the host stops using them.
    std::vector<PendingRequest> orphans;
    std::vector<PendingRequest> closed;
    {
        std::lock_guard lock(mutex_);
        pipes_.unconfigure(orphans);
        settleOrphans(orphans, closed);
    }
    finishAll(closed, STATUS_CANCELLED, USBD_STATUS_CANCELED);
    if (outcome.response == DeviceResponse::kStall) {
        return {false, false, STATUS_UNSUCCESSFUL, USBD_STATUS_SET_CONFIG_FAILED};
    }
    return {};
}

}  // namespace host::usb
