// Checks that a configuration descriptor set holds together before anything
// walks it: every descriptor lies inside wTotalLength and has a length of at
// least 2, every interface descriptor is complete and is followed by as many
// endpoint descriptors as it announces. Any IRQL.
#pragma once

#include "../platform/usb.h"

bool IsConfigurationDescriptorSound(PUSB_CONFIGURATION_DESCRIPTOR descriptor, ULONG bytesHeld);
