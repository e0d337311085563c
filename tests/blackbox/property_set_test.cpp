// The camera's property set through the class as an application sends it:
// every item's access, the clamps and the camera effects of the settings,
// the service items, and the refusals the class makes from the item table.
#include <gtest/gtest.h>

#include <map>

#include "blackbox_harness.h"
#include "camera_property_names.h"
#include "frame/stream_guids.h"

namespace {

class PropertySetTest : public FilterBlackBoxTest {};

TEST_F(PropertySetTest, EveryItemAnswersAsItsAccessSays) {
    for (const CameraPropertyInfo& item : cameraProperties()) {
        if (item.payload != PropertyPayload::kValue) {
            continue;  // the block and region items have tests of their own
        }
        LONG value = 0;
        const NTSTATUS get = settings().get(item.id, &value);
        if (item.id == CAMPROP_REGISTER_WRITE) {
            EXPECT_EQ(get, STATUS_UNSUCCESSFUL) << item.name << ": its handler refuses a get";
        } else {
            EXPECT_EQ(NT_SUCCESS(get), item.gettable) << item.name;
        }
        if (!item.settable) {
            EXPECT_FALSE(NT_SUCCESS(settings().set(item.id, 7))) << item.name << " is read-only";
        }
    }
    LONG value = 0;
    EXPECT_FALSE(NT_SUCCESS(settings().get(CAMPROP_COUNT, &value))) << "no item 61";
}

// The class returns to the application exactly the bytes a handler
// reports; a get that reported none would hand back no value at all.
TEST_F(PropertySetTest, EveryGetReturnsItsWholePayload) {
    for (const CameraPropertyInfo& item : cameraProperties()) {
        if (!item.gettable || item.id == CAMPROP_REGISTER_WRITE || item.id == CAMPROP_RAW_COMMAND ||
            item.payload == PropertyPayload::kRegion) {
            continue;
        }
        CameraBlockPayload payload{};  // the larger payload; a value uses its start
        payload.property.Set = kCameraSettingsPropertySet;
        payload.property.Id = item.id;
        payload.property.Flags = KSPROPERTY_TYPE_GET;
        const ULONG size = item.payload == PropertyPayload::kBlock
                               ? ULONG{sizeof(CameraBlockPayload)}
                               : ULONG{sizeof(CameraPropertyValue)};
        const host::streaming::PropertyReply reply =
            filter.property(&payload, size, &payload, size);
        EXPECT_EQ(reply.status, STATUS_SUCCESS) << item.name;
        EXPECT_EQ(reply.bytesReturned, size) << item.name;
    }
}

TEST_F(PropertySetTest, ReadOnlyBoundsReportTheirConstants) {
    const std::map<ULONG, LONG> constants = {
        {CAMPROP_EXPOSURE_MIN, 3},      {CAMPROP_EXPOSURE_MAX, 1003},
        {CAMPROP_EXPOSURE_DEFAULT, 3},  {CAMPROP_GLOBALGAIN_MIN, 0},
        {CAMPROP_GLOBALGAIN_MAX, 1023}, {CAMPROP_GLOBALGAIN_DEFAULT, 512},
        {CAMPROP_GAIN_MIN, 1},          {CAMPROP_GAIN_MAX, 512},
        {CAMPROP_GAIN_DEFAULT, 128},    {CAMPROP_BRIGHTNESS_MIN, 0},
        {CAMPROP_BRIGHTNESS_MAX, 510},  {CAMPROP_BRIGHTNESS_DEFAULT, 255},
        {CAMPROP_CONTRAST_MIN, 0},      {CAMPROP_CONTRAST_MAX, 20},
        {CAMPROP_CONTRAST_DEFAULT, 10}, {CAMPROP_SATURATION_MIN, 0},
        {CAMPROP_SATURATION_MAX, 20},   {CAMPROP_SATURATION_DEFAULT, 10},
        {CAMPROP_HUE_MIN, 0},           {CAMPROP_HUE_MAX, 359},
        {CAMPROP_HUE_DEFAULT, 0},       {CAMPROP_RESERVED36, 0},
        {CAMPROP_SENSOR_WIDTH, 1280},   {CAMPROP_SENSOR_HEIGHT, 960},
        {CAMPROP_WINDOW_X, 0},          {CAMPROP_WINDOW_Y, 0},
        {CAMPROP_WINDOW_WIDTH, 1280},   {CAMPROP_WINDOW_HEIGHT, 960},
        {CAMPROP_FIXED_ONE, 1},         {CAMPROP_RESERVED50, 0},
        {CAMPROP_RESERVED54, 0},        {CAMPROP_SUBSAMPLE, 0},
    };
    for (auto [id, expected] : constants) {
        EXPECT_EQ(settings().get(id), expected) << "property " << id;
    }
}

TEST_F(PropertySetTest, SettingsReadBackClampedAndReachTheCamera) {
    const CameraSettings camera = settings();
    EXPECT_EQ(camera.set(CAMPROP_EXPOSURE, 0), STATUS_SUCCESS);
    EXPECT_EQ(camera.get(CAMPROP_EXPOSURE), 3);
    EXPECT_EQ(camera.set(CAMPROP_EXPOSURE, 500), STATUS_SUCCESS);
    EXPECT_EQ(simulatedCamera->currentExposure(), 500u);
    EXPECT_EQ(camera.set(CAMPROP_GLOBALGAIN, -1), STATUS_SUCCESS);
    EXPECT_EQ(camera.get(CAMPROP_GLOBALGAIN), 1023);
    EXPECT_EQ(camera.set(CAMPROP_EXTRIGGER, 9), STATUS_SUCCESS);
    EXPECT_EQ(camera.get(CAMPROP_EXTRIGGER), 1);
    EXPECT_TRUE(simulatedCamera->externalTriggerOn());
    EXPECT_EQ(camera.set(CAMPROP_EXTRIGGER, 0), STATUS_SUCCESS);
    EXPECT_EQ(camera.set(CAMPROP_REDGAIN, 600), STATUS_SUCCESS);
    EXPECT_EQ(camera.get(CAMPROP_REDGAIN), 512);
    EXPECT_EQ(camera.set(CAMPROP_GREENGAIN, 0), STATUS_SUCCESS);
    EXPECT_EQ(camera.get(CAMPROP_GREENGAIN), 1);
    EXPECT_EQ(camera.set(CAMPROP_HUE, 360), STATUS_SUCCESS);
    EXPECT_EQ(camera.get(CAMPROP_HUE), 359);
    EXPECT_EQ(camera.set(CAMPROP_BRIGHTNESS, -4), STATUS_SUCCESS);
    EXPECT_EQ(camera.get(CAMPROP_BRIGHTNESS), 0);
    EXPECT_EQ(camera.set(CAMPROP_CONTRAST, 21), STATUS_SUCCESS);
    EXPECT_EQ(camera.get(CAMPROP_CONTRAST), 20);
    EXPECT_EQ(camera.set(CAMPROP_COLORENABLE, 0), STATUS_SUCCESS);
    EXPECT_EQ(camera.get(CAMPROP_COLORENABLE), 0);
    EXPECT_EQ(camera.set(CAMPROP_COLORCORRECTION, 0), STATUS_SUCCESS);
    EXPECT_EQ(camera.get(CAMPROP_COLORCORRECTION), 0);
}

TEST_F(PropertySetTest, TheTimeOutTakesOnlyValuesAbove500) {
    EXPECT_EQ(settings().set(CAMPROP_TIMEOUT, 500), STATUS_SUCCESS);
    EXPECT_EQ(settings().get(CAMPROP_TIMEOUT), 3000);
    EXPECT_EQ(settings().set(CAMPROP_TIMEOUT, 501), STATUS_SUCCESS);
    EXPECT_EQ(settings().get(CAMPROP_TIMEOUT), 501);
    EXPECT_EQ(settings().set(CAMPROP_TIMEOUT, -1), STATUS_SUCCESS);  // 0xFFFFFFFF unsigned
    EXPECT_EQ(settings().get(CAMPROP_TIMEOUT), -1);
}

TEST_F(PropertySetTest, ReportedOnlySettingsIgnoreSets) {
    for (ULONG id : {CAMPROP_FLIPH, CAMPROP_FLIPV, CAMPROP_AGC, CAMPROP_AEC}) {
        EXPECT_EQ(settings().set(id, 1), STATUS_SUCCESS);
        EXPECT_EQ(settings().get(id), 0) << "property " << id;
    }
    EXPECT_EQ(settings().set(CAMPROP_IGNORED47, 5), STATUS_SUCCESS);
    const LONG clock = settings().get(CAMPROP_CLOCK);  // asks the camera
    EXPECT_EQ(settings().set(CAMPROP_CLOCK, clock == 0 ? 1 : 0), STATUS_SUCCESS);
    EXPECT_EQ(settings().get(CAMPROP_CLOCK), clock);
}

TEST_F(PropertySetTest, WriteOnlyItemsCannotBeRead) {
    LONG value = 0;
    EXPECT_FALSE(NT_SUCCESS(settings().get(CAMPROP_IGNORED47, &value)));
    CameraRoiPayload region{};
    EXPECT_FALSE(NT_SUCCESS(settings().send(CAMPROP_ROI, KSPROPERTY_TYPE_GET, &region)));
}

TEST_F(PropertySetTest, RegisterWriteReportsTheTransferAndRegisterReadTheShadow) {
    CameraPropertyValue write{};
    write.value = 6;
    write.second = 0x25;
    EXPECT_EQ(settings().send(CAMPROP_REGISTER_WRITE, KSPROPERTY_TYPE_SET, &write), STATUS_SUCCESS);
    EXPECT_EQ(simulatedCamera->registerValue(6), 0x25u);
    write.value = 1024;
    EXPECT_EQ(settings().send(CAMPROP_REGISTER_WRITE, KSPROPERTY_TYPE_SET, &write),
              STATUS_UNSUCCESSFUL);

    EXPECT_EQ(settings().set(CAMPROP_REGISTER_READ, 6), STATUS_SUCCESS);
    EXPECT_EQ(settings().get(CAMPROP_REGISTER_READ), 0x25);
    EXPECT_EQ(settings().set(CAMPROP_REGISTER_READ, 2000), STATUS_SUCCESS);
    EXPECT_EQ(settings().get(CAMPROP_REGISTER_READ), 0);
}

TEST_F(PropertySetTest, RawCommandsSendAtMost63BytesAndNoneForANegativeLength) {
    CameraBlockPayload block{};
    for (int i = 0; i < 64; ++i) {
        block.data[i] = static_cast<UCHAR>(i + 1);
    }
    block.length = 100;
    EXPECT_EQ(settings().send(CAMPROP_RAW_COMMAND, KSPROPERTY_TYPE_SET, &block), STATUS_SUCCESS);
    block.length = -1;
    EXPECT_EQ(settings().send(CAMPROP_RAW_COMMAND, KSPROPERTY_TYPE_SET, &block), STATUS_SUCCESS);
    const auto raw =
        simulatedCamera->receivedCommandsOfKind(host::camera::CommandKind::kRawCommand);
    ASSERT_EQ(raw.size(), 2u);
    const auto first = raw[0].payload();
    ASSERT_EQ(first.size(), 63u);
    EXPECT_EQ(first[62], 63);
    for (auto byte : raw[1].payload()) {
        EXPECT_EQ(byte, 0);
    }
    EXPECT_EQ(settings().send(CAMPROP_RAW_COMMAND, KSPROPERTY_TYPE_GET, &block),
              STATUS_UNSUCCESSFUL);
}

TEST_F(PropertySetTest, TheByteReadAsksTheCameraAndKeepsTheByteWhenItCannot) {
    simulatedCamera->setReadableByte(0x1234, 0x5A);
    CameraBlockPayload block{};
    block.address = 0x1234;
    EXPECT_EQ(settings().send(CAMPROP_READ_BYTE, KSPROPERTY_TYPE_SET, &block), STATUS_SUCCESS);
    block.data[0] = 0;
    EXPECT_EQ(settings().send(CAMPROP_READ_BYTE, KSPROPERTY_TYPE_GET, &block), STATUS_SUCCESS);
    EXPECT_EQ(block.data[0], 0x5A);

    simulatedCamera->stallEndpoint(0x01);  // the query cannot go out
    block.data[0] = 0x77;
    EXPECT_EQ(settings().send(CAMPROP_READ_BYTE, KSPROPERTY_TYPE_GET, &block), STATUS_SUCCESS);
    EXPECT_EQ(block.data[0], 0x77);
}

TEST_F(PropertySetTest, OnlyExactlyTheSetFlagSetsOtherFlagsAreGets) {
    ASSERT_EQ(settings().set(CAMPROP_CONTRAST, 12), STATUS_SUCCESS);
    CameraPropertyValue payload{};
    payload.value = 3;
    // The set bit with another bit reaches the set handler, which serves
    // it as a get: nothing changes.
    EXPECT_EQ(
        settings().send(CAMPROP_CONTRAST, KSPROPERTY_TYPE_SET | KSPROPERTY_TYPE_TOPOLOGY, &payload),
        STATUS_SUCCESS);
    EXPECT_EQ(settings().get(CAMPROP_CONTRAST), 12);
    payload.value = 0;
    EXPECT_EQ(settings().send(CAMPROP_CONTRAST, KSPROPERTY_TYPE_GET | 0x10000, &payload),
              STATUS_SUCCESS);
    EXPECT_EQ(payload.value, 12);
}

TEST_F(PropertySetTest, TheClassRefusesShortBuffersBeforeAnyHandler) {
    CameraPropertyValue payload{};
    payload.property.Set = kCameraSettingsPropertySet;
    payload.property.Id = CAMPROP_EXPOSURE;
    payload.property.Flags = KSPROPERTY_TYPE_SET;
    payload.value = 700;
    EXPECT_FALSE(NT_SUCCESS(filter.property(&payload, 31, &payload, 32).status));
    EXPECT_FALSE(NT_SUCCESS(filter.property(&payload, 32, &payload, 31).status));
    CameraRoiPayload region{};
    region.property = payload.property;
    region.property.Id = CAMPROP_ROI;
    EXPECT_FALSE(NT_SUCCESS(filter.property(&region, 32, &region, 32).status));
    EXPECT_EQ(settings().get(CAMPROP_EXPOSURE), 3) << "no handler ran";
    EXPECT_EQ(simulatedCamera->currentExposure(), 3u);
}

TEST_F(PropertySetTest, UnknownSetsAreNotFound) {
    LONG value = 0;
    EXPECT_FALSE(NT_SUCCESS(filter.getLong(kFormatTypeVideo, 0, &value)));
}

}  // namespace
