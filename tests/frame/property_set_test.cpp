// The property set's effects inside the driver that an application cannot
// see; everything an application can see is in the black-box suites
// (tests/blackbox), which run on the kernel image too.
#include <gtest/gtest.h>

#include "driver_harness.h"
#include "frame/stream_guids.h"
#include "settings/camera_property_ids.h"

namespace {

class PropertyTest : public FilterTest {
  protected:
    LONG get(ULONG id) {
        LONG value = -12345;
        EXPECT_EQ(filter.getLong(kCameraSettingsPropertySet, id, &value), STATUS_SUCCESS);
        return value;
    }
    template <typename Payload>
    NTSTATUS send(ULONG id, ULONG flags, Payload* payload) {
        payload->property.Set = kCameraSettingsPropertySet;
        payload->property.Id = id;
        payload->property.Flags = flags;
        return filter.property(payload, sizeof(Payload), payload, sizeof(Payload)).status;
    }
};

TEST_F(PropertyTest, TheRegionPropertySucceedsButWaitsForThePinToClose) {
    CameraRoiPayload region{};
    region.x = 3;
    region.y = 5;
    region.width = 100;
    region.height = 100;
    EXPECT_EQ(send(CAMPROP_ROI, KSPROPERTY_TYPE_SET, &region), STATUS_SUCCESS);
    EXPECT_EQ(camera()->roiX, 4);
    EXPECT_EQ(camera()->outputWidth, 96);

    camera()->setPinOpen(1);
    EXPECT_EQ(get(CAMPROP_PIN_OPEN), 1);
    region.x = 0;
    region.width = 1280;
    EXPECT_EQ(send(CAMPROP_ROI, KSPROPERTY_TYPE_SET, &region), STATUS_SUCCESS);
    EXPECT_EQ(camera()->roiX, 4);
    camera()->setPinOpen(0);
    EXPECT_EQ(get(CAMPROP_PIN_OPEN), 0);
    camera()->setRegionOfInterest(0, 0, 1280, 960, 0);
}

}  // namespace
