#include "device_configuration.h"

#include "../platform/pool.h"
#include "configuration_descriptor_check.h"

namespace {

constexpr ULONG kDeviceDescriptorBytes = 18;
constexpr ULONG kConfigurationHeaderBytes = 9;
constexpr ULONG kHighestInterfaceNumber = 255;  // interface numbers are 8-bit

PVOID AllocUsb(SIZE_T size) {
    return AllocZeroedTagged(size, NonPagedPoolNx, kUsbPoolTag);
}
void FreeUsb(PVOID block) {
    FreeTaggedBlock(block, kUsbPoolTag);
}

// Fills a get-descriptor request afresh and submits it. On success
// *received is the number of bytes the device returned.
NTSTATUS GetDescriptor(UsbTransport* transport, PURB urb, UCHAR type, PVOID buffer, ULONG length,
                       PULONG received) {
    RtlZeroMemory(urb, sizeof(_URB_CONTROL_DESCRIPTOR_REQUEST));
    _URB_CONTROL_DESCRIPTOR_REQUEST& request = urb->UrbControlDescriptorRequest;
    request.Hdr.Length = static_cast<USHORT>(sizeof(_URB_CONTROL_DESCRIPTOR_REQUEST));
    request.Hdr.Function = URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE;
    request.TransferBufferLength = length;
    request.TransferBuffer = buffer;
    request.TransferBufferMDL = nullptr;
    request.UrbLink = nullptr;
    request.DescriptorType = type;
    request.Index = 0;
    request.LanguageId = 0;
    const NTSTATUS status = SubmitUrbSync(transport, urb);
    *received = request.TransferBufferLength;
    return status;
}

// The device descriptor is fetched (its contents are not needed) as the
// first sign of life.
NTSTATUS FetchDeviceDescriptor(UsbTransport* transport) {
    auto* urb = static_cast<PURB>(AllocUsb(sizeof(_URB_CONTROL_DESCRIPTOR_REQUEST)));
    PVOID buffer = AllocUsb(kDeviceDescriptorBytes);
    NTSTATUS status = STATUS_INSUFFICIENT_RESOURCES;
    if (urb != nullptr && buffer != nullptr) {
        ULONG received = 0;
        status = GetDescriptor(transport, urb, USB_DEVICE_DESCRIPTOR_TYPE, buffer,
                               kDeviceDescriptorBytes, &received);
    }
    FreeUsb(buffer);
    FreeUsb(urb);
    return status;
}

// The configuration descriptor in two passes: its header for the total
// length, then all of it. The result is checked before anything walks it.
NTSTATUS FetchConfigurationDescriptor(UsbTransport* transport, PURB urb,
                                      PUSB_CONFIGURATION_DESCRIPTOR* result) {
    auto* header = static_cast<PUSB_CONFIGURATION_DESCRIPTOR>(AllocUsb(kConfigurationHeaderBytes));
    if (header == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    ULONG received = 0;
    NTSTATUS status = GetDescriptor(transport, urb, USB_CONFIGURATION_DESCRIPTOR_TYPE, header,
                                    kConfigurationHeaderBytes, &received);
    const ULONG totalLength = header->wTotalLength;
    FreeUsb(header);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    if (received < kConfigurationHeaderBytes || totalLength < kConfigurationHeaderBytes) {
        return STATUS_DEVICE_DATA_ERROR;
    }

    auto* full = static_cast<PUSB_CONFIGURATION_DESCRIPTOR>(AllocUsb(totalLength));
    if (full == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    status = GetDescriptor(transport, urb, USB_CONFIGURATION_DESCRIPTOR_TYPE, full, totalLength,
                           &received);
    if (NT_SUCCESS(status) &&
        (received < totalLength || !IsConfigurationDescriptorSound(full, totalLength))) {
        status = STATUS_DEVICE_DATA_ERROR;
    }
    if (!NT_SUCCESS(status)) {
        FreeUsb(full);
        return status;
    }
    *result = full;
    return STATUS_SUCCESS;
}

// Finds alternate setting 0 of `count` interfaces, skipping numbers that
// have none. Fails when fewer than announced exist.
NTSTATUS ListInterfaces(PUSB_CONFIGURATION_DESCRIPTOR descriptor, ULONG count,
                        PUSBD_INTERFACE_LIST_ENTRY list) {
    ULONG found = 0;
    for (ULONG number = 0; number <= kHighestInterfaceNumber && found < count; ++number) {
        PUSB_INTERFACE_DESCRIPTOR entry = USBD_ParseConfigurationDescriptorEx(
            descriptor, descriptor, static_cast<LONG>(number), 0, -1, -1, -1);
        if (entry != nullptr) {
            list[found].InterfaceDescriptor = entry;
            list[found].Interface = nullptr;
            ++found;
        }
    }
    return (found == count) ? STATUS_SUCCESS : STATUS_DEVICE_DATA_ERROR;
}

// Keeps a copy of the first interface (with the pipe handles the bus filled
// in) and one busy mark per pipe.
NTSTATUS KeepFirstInterface(UsbTransport* transport, PUSBD_INTERFACE_INFORMATION first) {
    auto* copy = static_cast<PUSBD_INTERFACE_INFORMATION>(AllocUsb(first->Length));
    if (copy == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    RtlCopyMemory(copy, first, first->Length);
    transport->interfaceInfo = copy;
    if (copy->NumberOfPipes > 0) {
        transport->pipeBusy = static_cast<PUCHAR>(AllocUsb(copy->NumberOfPipes));
        if (transport->pipeBusy == nullptr) {
            return STATUS_INSUFFICIENT_RESOURCES;
        }
    }
    return STATUS_SUCCESS;
}

NTSTATUS SelectConfiguration(UsbTransport* transport) {
    PUSB_CONFIGURATION_DESCRIPTOR descriptor = transport->configDescriptor;
    const ULONG count = descriptor->bNumInterfaces;
    if (count == 0) {
        return STATUS_DEVICE_DATA_ERROR;
    }
    auto* list = static_cast<PUSBD_INTERFACE_LIST_ENTRY>(
        AllocUsb((count + 1) * sizeof(USBD_INTERFACE_LIST_ENTRY)));
    if (list == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    NTSTATUS status = ListInterfaces(descriptor, count, list);
    PURB request = nullptr;
    if (NT_SUCCESS(status)) {
        request = USBD_CreateConfigurationRequestEx(descriptor, list);
        status = (request != nullptr) ? STATUS_SUCCESS : STATUS_INSUFFICIENT_RESOURCES;
    }
    if (NT_SUCCESS(status)) {
        PUSBD_INTERFACE_INFORMATION first = &request->UrbSelectConfiguration.Interface;
        for (ULONG i = 0; i < first->NumberOfPipes; ++i) {
            first->Pipes[i].MaximumTransferSize = 0xFFFFFFFF;
        }
        status = SubmitUrbSync(transport, request);
        if (NT_SUCCESS(status)) {
            status = KeepFirstInterface(transport, first);
        }
    }
    if (request != nullptr) {
        ExFreePool(request);  // allocated by the USBD library, untagged
    }
    FreeUsb(list);
    return status;
}

void ReleaseConfiguration(UsbTransport* transport) {
    FreeUsb(transport->configDescriptor);
    FreeUsb(transport->interfaceInfo);
    FreeUsb(transport->pipeBusy);
    transport->configDescriptor = nullptr;
    transport->interfaceInfo = nullptr;
    transport->pipeBusy = nullptr;
}

}  // namespace

NTSTATUS ConfigureDevice(UsbTransport* transport) {
    // A start on a device that is already configured configures it again:
    // the earlier configuration's blocks go first, not astray.
    ReleaseConfiguration(transport);

    NTSTATUS status = FetchDeviceDescriptor(transport);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    auto* urb = static_cast<PURB>(AllocUsb(sizeof(_URB_CONTROL_DESCRIPTOR_REQUEST)));
    if (urb == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    status = FetchConfigurationDescriptor(transport, urb, &transport->configDescriptor);
    FreeUsb(urb);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    return SelectConfiguration(transport);
}

NTSTATUS UnconfigureDevice(UsbTransport* transport) {
    ReleaseConfiguration(transport);
    const SIZE_T size = sizeof(_URB_SELECT_CONFIGURATION);
    auto* urb = static_cast<PURB>(AllocUsb(size));
    if (urb == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    urb->UrbSelectConfiguration.Hdr.Length = static_cast<USHORT>(size);
    urb->UrbSelectConfiguration.Hdr.Function = URB_FUNCTION_SELECT_CONFIGURATION;
    urb->UrbSelectConfiguration.ConfigurationDescriptor = nullptr;
    const NTSTATUS status = SubmitUrbSync(transport, urb);
    FreeUsb(urb);
    return status;
}
