#include "usbd_status_mapping.h"

namespace host::usb {

NTSTATUS ntStatusForUsbd(USBD_STATUS status) {
    if (USBD_SUCCESS(status)) {
        return STATUS_SUCCESS;
    }
    switch (status) {
        case USBD_STATUS_CANCELED:
            return STATUS_CANCELLED;
        case USBD_STATUS_DEVICE_GONE:
            return STATUS_DEVICE_NOT_CONNECTED;
        case USBD_STATUS_INVALID_URB_FUNCTION:
        case USBD_STATUS_INVALID_PARAMETER:
        case USBD_STATUS_INVALID_PIPE_HANDLE:
        case USBD_STATUS_INTERFACE_NOT_FOUND:
        case USBD_STATUS_INAVLID_CONFIGURATION_DESCRIPTOR:
        case USBD_STATUS_BUFFER_TOO_SMALL:
            return STATUS_INVALID_PARAMETER;
        case USBD_STATUS_NO_MEMORY:
        case USBD_STATUS_INSUFFICIENT_RESOURCES:
            return STATUS_INSUFFICIENT_RESOURCES;
        case USBD_STATUS_NOT_SUPPORTED:
            return STATUS_NOT_SUPPORTED;
        case USBD_STATUS_TIMEOUT:
            return STATUS_IO_TIMEOUT;
        default:
            // Stalls, short transfers, babble, a device that does not answer.
            return STATUS_UNSUCCESSFUL;
    }
}

}  // namespace host::usb
