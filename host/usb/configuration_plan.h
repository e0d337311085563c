// Checking a select-configuration URB against the configuration descriptor
// it carries, before the bus acts on it: which interface descriptor and
// which endpoint descriptors each USBD_INTERFACE_INFORMATION in the URB
// stands for. Nothing outside the URB's Hdr.Length or the descriptor's
// wTotalLength is read.
//
// Called by the bus with its lock held, on the submitting thread (to refuse
// a malformed URB at once) and again on the bus thread (to fill it in).
// The URB and the descriptor belong to the driver until completion.
#pragma once

#include <vector>

#include "usb_api.h"

namespace host::usb {

struct InterfacePlan {
    PUSBD_INTERFACE_INFORMATION information;  // inside the URB
    const USB_INTERFACE_DESCRIPTOR* descriptor;
    std::vector<const USB_ENDPOINT_DESCRIPTOR*> endpoints;  // bNumEndpoints of them
};

struct ConfigurationPlan {
    UCHAR configurationValue = 0;
    std::vector<InterfacePlan> interfaces;  // bNumInterfaces of them, in URB order
};

// USBD_STATUS_SUCCESS and the plan, or why the URB cannot be carried out:
// USBD_STATUS_INVALID_PARAMETER (URB too short for its header),
// USBD_STATUS_INAVLID_CONFIGURATION_DESCRIPTOR (the descriptor's header or
// an interface's endpoint descriptors are not there),
// USBD_STATUS_BUFFER_TOO_SMALL (an interface's information does not fit
// the URB or has no room for its pipes), USBD_STATUS_INTERFACE_NOT_FOUND.
// The URB must have a configuration descriptor (not an unconfigure).
USBD_STATUS planConfiguration(struct _URB_SELECT_CONFIGURATION& urb, ConfigurationPlan& plan);

// The endpoint descriptors that follow `descriptor` up to the next
// interface descriptor, within the configuration's wTotalLength.
std::vector<const USB_ENDPOINT_DESCRIPTOR*> interfaceEndpoints(
    const USB_CONFIGURATION_DESCRIPTOR& configuration, const USB_INTERFACE_DESCRIPTOR& descriptor);

}  // namespace host::usb
