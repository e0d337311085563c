// USBD_ParseDescriptors and USBD_ParseConfigurationDescriptorEx: walks of a
// configuration descriptor by bLength. A device's descriptors are untrusted
// input, so the walk never reads a byte outside the buffer: it stops at a
// zero bLength and at a descriptor that would run past the end, and an
// interface descriptor too short to hold its fields is never returned.
#include <cstdint>

#include "usb_api.h"

namespace {

const UCHAR* bytesOf(const void* p) {
    return static_cast<const UCHAR*>(p);
}

bool interfaceMatches(const USB_INTERFACE_DESCRIPTOR& d, LONG number, LONG alternate, LONG cls,
                      LONG subClass, LONG protocol) {
    return (number == -1 || d.bInterfaceNumber == number) &&
           (alternate == -1 || d.bAlternateSetting == alternate) &&
           (cls == -1 || d.bInterfaceClass == cls) &&
           (subClass == -1 || d.bInterfaceSubClass == subClass) &&
           (protocol == -1 || d.bInterfaceProtocol == protocol);
}

}  // namespace

extern "C" PUSB_COMMON_DESCRIPTOR NTAPI USBD_ParseDescriptors(PVOID DescriptorBuffer,
                                                              ULONG TotalLength,
                                                              PVOID StartPosition,
                                                              LONG DescriptorType) {
    if (DescriptorBuffer == nullptr || StartPosition == nullptr) {
        return nullptr;
    }
    const UCHAR* const begin = bytesOf(DescriptorBuffer);
    const UCHAR* const end = begin + TotalLength;
    const UCHAR* at = bytesOf(StartPosition);
    if (at < begin) {
        return nullptr;
    }
    // A descriptor is usable only when its two-byte header and all of its
    // bLength bytes lie inside the buffer.
    while (end - at >= static_cast<std::ptrdiff_t>(sizeof(USB_COMMON_DESCRIPTOR))) {
        const UCHAR length = at[0];
        if (length < sizeof(USB_COMMON_DESCRIPTOR) || end - at < length) {
            return nullptr;
        }
        if (DescriptorType == -1 || at[1] == DescriptorType) {
            return reinterpret_cast<PUSB_COMMON_DESCRIPTOR>(const_cast<UCHAR*>(at));
        }
        at += length;
    }
    return nullptr;
}

extern "C" PUSB_INTERFACE_DESCRIPTOR NTAPI USBD_ParseConfigurationDescriptorEx(
    PUSB_CONFIGURATION_DESCRIPTOR ConfigurationDescriptor, PVOID StartPosition,
    LONG InterfaceNumber, LONG AlternateSetting, LONG InterfaceClass, LONG InterfaceSubClass,
    LONG InterfaceProtocol) {
    if (ConfigurationDescriptor == nullptr) {
        return nullptr;
    }
    const ULONG total = ConfigurationDescriptor->wTotalLength;
    void* at = StartPosition;
    while (PUSB_COMMON_DESCRIPTOR found = USBD_ParseDescriptors(ConfigurationDescriptor, total, at,
                                                                USB_INTERFACE_DESCRIPTOR_TYPE)) {
        if (found->bLength >= sizeof(USB_INTERFACE_DESCRIPTOR)) {
            auto* candidate = reinterpret_cast<PUSB_INTERFACE_DESCRIPTOR>(found);
            if (interfaceMatches(*candidate, InterfaceNumber, AlternateSetting, InterfaceClass,
                                 InterfaceSubClass, InterfaceProtocol)) {
                return candidate;
            }
        }
        at = reinterpret_cast<UCHAR*>(found) + found->bLength;
    }
    return nullptr;
}
