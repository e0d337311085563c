#include "filter_descriptor.h"

#include "../settings/camera_property_set.h"
#include "pin_framing.h"
#include "stream_guids.h"

namespace {

const KSFILTER_DISPATCH kCaptureFilterDispatch = {
    FilterCreate,  // Create
    FilterClose,   // Close
    nullptr,       // Process: the pin processes
    nullptr,       // Reset
};

// The class registers the filter's interface under each; windows/bayercam.inf
// adds the same three.
const GUID kCaptureFilterCategories[] = {kCategoryVideo, kCategoryCapture, kCategoryVideoCamera};

}  // namespace

const KSFILTER_DESCRIPTOR kCaptureFilterDescriptor = {
    &kCaptureFilterDispatch,
    &kCameraFilterAutomation,
    KSFILTER_DESCRIPTOR_VERSION,
    0,  // Flags
    &kFilterReferenceName,
    1,  // PinDescriptorsCount
    sizeof(KSPIN_DESCRIPTOR_EX),
    &kVideoPinDescriptor,
    sizeof(kCaptureFilterCategories) / sizeof(kCaptureFilterCategories[0]),
    kCaptureFilterCategories,
    0,  // NodeDescriptorsCount
    sizeof(KSNODE_DESCRIPTOR),
    nullptr,
    0,  // ConnectionsCount: the default topology
    nullptr,
    nullptr,  // ComponentId
};
