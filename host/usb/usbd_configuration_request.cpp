// USBD_CreateConfigurationRequestEx: the select-configuration URB for a
// list of interfaces, laid out as the Windows library lays it out: the URB
// header, then one USBD_INTERFACE_INFORMATION per interface, each followed
// by room for its pipes (GET_USBD_INTERFACE_SIZE of its bNumEndpoints).
#include <cstddef>

#include "usb_api.h"
#include "usbd_pool_tag.h"

namespace {

std::size_t interfaceCount(const USBD_INTERFACE_LIST_ENTRY* list) {
    std::size_t count = 0;
    while (list[count].InterfaceDescriptor != nullptr) {
        ++count;
    }
    return count;
}

std::size_t interfaceInformationSize(const USB_INTERFACE_DESCRIPTOR& descriptor) {
    // An interface without endpoints still gets its whole header.
    return GET_USBD_INTERFACE_SIZE(std::size_t{descriptor.bNumEndpoints});
}

std::size_t requestSize(const USBD_INTERFACE_LIST_ENTRY* list, std::size_t count) {
    std::size_t size =
        sizeof(struct _URB_SELECT_CONFIGURATION) - sizeof(USBD_INTERFACE_INFORMATION);
    for (std::size_t i = 0; i < count; ++i) {
        size += interfaceInformationSize(*list[i].InterfaceDescriptor);
    }
    return size;
}

void fillInterface(USBD_INTERFACE_INFORMATION* info, const USB_INTERFACE_DESCRIPTOR& descriptor) {
    info->Length = static_cast<USHORT>(interfaceInformationSize(descriptor));
    info->InterfaceNumber = descriptor.bInterfaceNumber;
    info->AlternateSetting = descriptor.bAlternateSetting;
    info->NumberOfPipes = descriptor.bNumEndpoints;
    for (ULONG pipe = 0; pipe < info->NumberOfPipes; ++pipe) {
        info->Pipes[pipe].MaximumTransferSize = USBD_DEFAULT_MAXIMUM_TRANSFER_SIZE;
        info->Pipes[pipe].PipeFlags = 0;
    }
}

}  // namespace

extern "C" PURB NTAPI
USBD_CreateConfigurationRequestEx(PUSB_CONFIGURATION_DESCRIPTOR ConfigurationDescriptor,
                                  PUSBD_INTERFACE_LIST_ENTRY InterfaceList) {
    if (ConfigurationDescriptor == nullptr || InterfaceList == nullptr) {
        return nullptr;
    }
    const std::size_t count = interfaceCount(InterfaceList);
    const std::size_t size = requestSize(InterfaceList, count);
    if (count == 0 || size > 0xFFFF) {  // Hdr.Length is a USHORT
        return nullptr;
    }
    // At least a whole _URB_SELECT_CONFIGURATION is allocated, so a URB
    // whose last interface has no pipes can still be used through the
    // struct's fields; Hdr.Length keeps the exact size.
    const std::size_t allocation = size < sizeof(struct _URB_SELECT_CONFIGURATION)
                                       ? sizeof(struct _URB_SELECT_CONFIGURATION)
                                       : size;
    auto* urb = static_cast<PURB>(ExAllocatePoolWithTag(NonPagedPoolNx, allocation, kUsbdPoolTag));
    if (urb == nullptr) {
        return nullptr;
    }
    RtlZeroMemory(urb, allocation);
    urb->UrbHeader.Function = URB_FUNCTION_SELECT_CONFIGURATION;
    urb->UrbHeader.Length = static_cast<USHORT>(size);
    urb->UrbSelectConfiguration.ConfigurationDescriptor = ConfigurationDescriptor;
    auto* info = reinterpret_cast<UCHAR*>(&urb->UrbSelectConfiguration.Interface);
    for (std::size_t i = 0; i < count; ++i) {
        auto* current = reinterpret_cast<PUSBD_INTERFACE_INFORMATION>(info);
        fillInterface(current, *InterfaceList[i].InterfaceDescriptor);
        InterfaceList[i].Interface = current;
        info += current->Length;
    }
    return urb;
}
