#include "configuration_plan.h"

#include <cstddef>

namespace host::usb {
namespace {

constexpr std::size_t kInterfaceHeaderSize = offsetof(USBD_INTERFACE_INFORMATION, Pipes);

UCHAR* bytes(void* p) {
    return static_cast<UCHAR*>(p);
}

const UCHAR* bytes(const void* p) {
    return static_cast<const UCHAR*>(p);
}

bool descriptorHeaderValid(const USB_CONFIGURATION_DESCRIPTOR& configuration) {
    return configuration.bLength >= sizeof(USB_CONFIGURATION_DESCRIPTOR) &&
           configuration.bDescriptorType == USB_CONFIGURATION_DESCRIPTOR_TYPE &&
           configuration.wTotalLength >= configuration.bLength;
}

// Fills `interface` for the information at `at`; the status says why not.
USBD_STATUS planInterface(PUSB_CONFIGURATION_DESCRIPTOR configuration, UCHAR* at, const UCHAR* end,
                          InterfacePlan& interface) {
    if (end - at < static_cast<std::ptrdiff_t>(kInterfaceHeaderSize)) {
        return USBD_STATUS_BUFFER_TOO_SMALL;
    }
    auto* information = reinterpret_cast<PUSBD_INTERFACE_INFORMATION>(at);
    if (information->Length < kInterfaceHeaderSize || end - at < information->Length) {
        return USBD_STATUS_BUFFER_TOO_SMALL;
    }
    const PUSB_INTERFACE_DESCRIPTOR descriptor = USBD_ParseConfigurationDescriptorEx(
        configuration, configuration, information->InterfaceNumber, information->AlternateSetting,
        -1, -1, -1);
    if (descriptor == nullptr) {
        return USBD_STATUS_INTERFACE_NOT_FOUND;
    }
    if (information->Length < GET_USBD_INTERFACE_SIZE(std::size_t{descriptor->bNumEndpoints})) {
        return USBD_STATUS_BUFFER_TOO_SMALL;
    }
    interface = {information, descriptor, interfaceEndpoints(*configuration, *descriptor)};
    if (interface.endpoints.size() != descriptor->bNumEndpoints) {
        return USBD_STATUS_INAVLID_CONFIGURATION_DESCRIPTOR;
    }
    return USBD_STATUS_SUCCESS;
}

}  // namespace

std::vector<const USB_ENDPOINT_DESCRIPTOR*> interfaceEndpoints(
    const USB_CONFIGURATION_DESCRIPTOR& configuration, const USB_INTERFACE_DESCRIPTOR& descriptor) {
    std::vector<const USB_ENDPOINT_DESCRIPTOR*> endpoints;
    PVOID buffer = const_cast<USB_CONFIGURATION_DESCRIPTOR*>(&configuration);
    PVOID at = const_cast<UCHAR*>(bytes(&descriptor) + descriptor.bLength);
    while (PUSB_COMMON_DESCRIPTOR next =
               USBD_ParseDescriptors(buffer, configuration.wTotalLength, at, -1)) {
        if (next->bDescriptorType == USB_INTERFACE_DESCRIPTOR_TYPE ||
            endpoints.size() == descriptor.bNumEndpoints) {
            break;
        }
        if (next->bDescriptorType == USB_ENDPOINT_DESCRIPTOR_TYPE &&
            next->bLength >= sizeof(USB_ENDPOINT_DESCRIPTOR)) {
            endpoints.push_back(reinterpret_cast<const USB_ENDPOINT_DESCRIPTOR*>(next));
        }
        at = bytes(next) + next->bLength;
    }
    return endpoints;
}

USBD_STATUS planConfiguration(struct _URB_SELECT_CONFIGURATION& urb, ConfigurationPlan& plan) {
    if (urb.Hdr.Length < offsetof(struct _URB_SELECT_CONFIGURATION, Interface)) {
        return USBD_STATUS_INVALID_PARAMETER;
    }
    PUSB_CONFIGURATION_DESCRIPTOR configuration = urb.ConfigurationDescriptor;
    if (!descriptorHeaderValid(*configuration)) {
        return USBD_STATUS_INAVLID_CONFIGURATION_DESCRIPTOR;
    }
    plan.configurationValue = configuration->bConfigurationValue;
    plan.interfaces.clear();
    const UCHAR* const end = bytes(&urb) + urb.Hdr.Length;
    UCHAR* at = bytes(&urb.Interface);
    for (UCHAR i = 0; i < configuration->bNumInterfaces; ++i) {
        InterfacePlan interface {};
        const USBD_STATUS status = planInterface(configuration, at, end, interface);
        if (!USBD_SUCCESS(status)) {
            return status;
        }
        at += interface.information->Length;
        plan.interfaces.push_back(std::move(interface));
    }
    return USBD_STATUS_SUCCESS;
}

}  // namespace host::usb
