#include "configuration_descriptor_check.h"

namespace {

constexpr UCHAR kInterfaceType = USB_INTERFACE_DESCRIPTOR_TYPE;
constexpr UCHAR kEndpointType = USB_ENDPOINT_DESCRIPTOR_TYPE;

struct InterfaceTally {
    ULONG announced = 0;  // endpoints the current interface announced
    ULONG found = 0;      // endpoint descriptors seen since it
    bool open = false;

    bool closeCurrent() const { return !open || found >= announced; }
};

}  // namespace

bool IsConfigurationDescriptorSound(PUSB_CONFIGURATION_DESCRIPTOR descriptor, ULONG bytesHeld) {
    if (bytesHeld < sizeof(USB_CONFIGURATION_DESCRIPTOR) ||
        descriptor->bLength < sizeof(USB_CONFIGURATION_DESCRIPTOR) ||
        descriptor->bDescriptorType != USB_CONFIGURATION_DESCRIPTOR_TYPE ||
        descriptor->wTotalLength > bytesHeld) {
        return false;
    }
    const PUCHAR base = reinterpret_cast<PUCHAR>(descriptor);
    const ULONG total = descriptor->wTotalLength;
    InterfaceTally tally;
    ULONG offset = descriptor->bLength;
    while (offset < total) {
        if (total - offset < 2) {
            return false;
        }
        const UCHAR length = base[offset];
        const UCHAR type = base[offset + 1];
        if (length < 2 || length > total - offset) {
            return false;
        }
        if (type == kInterfaceType) {
            if (length < sizeof(USB_INTERFACE_DESCRIPTOR) || !tally.closeCurrent()) {
                return false;
            }
            tally = InterfaceTally{};
            tally.open = true;
            tally.announced =
                reinterpret_cast<PUSB_INTERFACE_DESCRIPTOR>(base + offset)->bNumEndpoints;
        } else if (type == kEndpointType) {
            if (length < sizeof(USB_ENDPOINT_DESCRIPTOR)) {
                return false;
            }
            ++tally.found;
        }
        offset += length;
    }
    return tally.closeCurrent();
}
