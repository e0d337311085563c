// The settings in the registry: what a start loads and applies, what a
// save writes, and how odd stored values are read.
#include <gtest/gtest.h>

#include <kernel/registry.h>

#include "settings/settings_persistence.h"
#include "settings_fixture.h"
#include "usb/device_configuration.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class PersistenceTest : public SettingsTest {
  protected:
    std::string settingsKey() {
        return host::registry().driverKeyPath(bus->deviceObject()) + "\\Settings";
    }
    void store(const char* name, std::uint32_t value) {
        host::registry().setDword(settingsKey(), name, value);
    }
    std::optional<std::uint32_t> stored(const char* name) {
        return host::registry().dword(settingsKey(), name);
    }
    // Loads as a device start does, forgetting the commands the load sent
    // unless the test wants them.
    bool load() {
        newCommands();
        return loadSettings(device);
    }
};

TEST_F(PersistenceTest, AFirstStartCreatesTheKeyAppliesDefaultsAndWritesNothing) {
    EXPECT_TRUE(load());
    EXPECT_TRUE(host::registry().keyExists(settingsKey()));
    EXPECT_TRUE(host::registry().valueNames(settingsKey()).empty());
    EXPECT_EQ(device->exposure, 3u);
    EXPECT_EQ(camera->currentExposure(), 3u);
    EXPECT_EQ(device->timeoutMs, 3000u);
    EXPECT_EQ(device->roiWidth, 1280);
    EXPECT_EQ(device->roiHeight, 960);
    EXPECT_EQ(device->redGain, 128);
    EXPECT_EQ(device->exTrigger, 0u);
}

TEST_F(PersistenceTest, TheTimeOutIsAppliedOnlyStrictlyBetween500And10000) {
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        {500, 3000}, {501, 501}, {9999, 9999}, {10000, 3000}, {0xFFFFFFFF, 3000}};
    for (auto [stored, expected] : cases) {
        device->timeoutMs = 3000;
        store("Timeout", stored);
        ASSERT_TRUE(load());
        EXPECT_EQ(device->timeoutMs, expected) << "Timeout " << stored;
    }
}

TEST_F(PersistenceTest, StoredValuesGoThroughTheSettersClamps) {
    store("Exposure", 0);
    store("GlobalGain", 5000);
    store("Hue", 0xFFFFFFFF);
    store("RedGain", 0);
    store("Contrast", 99);
    ASSERT_TRUE(load());
    EXPECT_EQ(device->exposure, 3u);
    EXPECT_EQ(camera->currentExposure(), 3u);
    EXPECT_EQ(device->globalGain, 1023u);
    EXPECT_EQ(camera->currentGain(), 1023u);
    EXPECT_EQ(device->hue, 0);
    EXPECT_EQ(device->redGain, 1);
    EXPECT_EQ(device->contrast, 20);
}

TEST_F(PersistenceTest, TheStoredRegionFallsBackInsideTheSensor) {
    store("RoiX", 1280);  // outside: 0
    store("RoiY", 10);
    store("RoiW", 0);  // the full width
    store("RoiH", 100);
    ASSERT_TRUE(load());
    EXPECT_EQ(device->roiX, 0);
    EXPECT_EQ(device->roiY, 10);
    EXPECT_EQ(device->roiWidth, 1280);
    EXPECT_EQ(device->roiHeight, 100);

    store("RoiX", 1279);  // inside, then clamped to the last 8 columns
    store("RoiW", 5000);
    store("SubSample", 3);
    ASSERT_TRUE(load());
    EXPECT_EQ(device->roiX, 1272);
    EXPECT_EQ(device->roiWidth, 8);
    EXPECT_EQ(device->subSample, 0u);
}

TEST_F(PersistenceTest, ReportedOnlyValuesAreReadButNotApplied) {
    store("FlipH", 1);
    store("AGC", 1);
    store("Clock", 2);
    ASSERT_TRUE(load());
    EXPECT_EQ(device->flipH, 0u);
    EXPECT_EQ(device->agc, 0u);
    ASSERT_TRUE(saveSettings(device));
    EXPECT_EQ(stored("FlipH"), 0u);
    EXPECT_EQ(stored("AGC"), 0u);
}

TEST_F(PersistenceTest, TheExternalTriggerIsAppliedLast) {
    store("ExTrigger", 5);
    ASSERT_TRUE(load());
    EXPECT_EQ(device->exTrigger, 1u);
    EXPECT_TRUE(camera->externalTriggerOn());
    const auto commands = newCommands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back().kind, host::camera::CommandKind::kWriteRegister);
    EXPECT_EQ(commands.back().address, 33u);
}

TEST_F(PersistenceTest, ValuesAreReadAsTheirFirstFourBytesWhateverTheirType) {
    // "12" as a string: '1', 0, '2', 0, 0, 0 -> 0x00320031, clamped to 510.
    host::registry().setValue(settingsKey(), "Brightness", REG_SZ, Bytes{'1', 0, '2', 0, 0, 0});
    // Two bytes are zero-extended.
    host::registry().setValue(settingsKey(), "Contrast", REG_BINARY, Bytes{12, 0});
    // Eight bytes still count; nine are too long and keep the default.
    host::registry().setValue(settingsKey(), "Saturation", REG_QWORD,
                              Bytes{7, 0, 0, 0, 1, 2, 3, 4});
    host::registry().setValue(settingsKey(), "Hue", REG_BINARY, Bytes{40, 0, 0, 0, 0, 0, 0, 0, 0});
    // An empty value reads as 0.
    host::registry().setValue(settingsKey(), "ColorEnable", REG_BINARY, Bytes{});
    ASSERT_TRUE(load());
    EXPECT_EQ(device->brightness, 510);
    EXPECT_EQ(device->contrast, 12);
    EXPECT_EQ(device->saturation, 7);
    EXPECT_EQ(device->hue, 0);
    EXPECT_EQ(device->colorEnable, 0);
}

TEST_F(PersistenceTest, ASaveWritesAll24ValuesAsDwordsFromTheFields) {
    device->setRegionOfInterest(100, 50, 640, 480, 0);
    device->setBrightness(300);
    device->setTimeout(4000);
    ASSERT_TRUE(saveSettings(device));
    const std::vector<std::string> names = {
        "Timeout",      "Exposure",        "GlobalGain", "FlipH",    "FlipV",      "ColorEnable",
        "WhiteBalance", "ColorCorrection", "Brightness", "Contrast", "Saturation", "Hue",
        "RedGain",      "GreenGain",       "BlueGain",   "AGC",      "AEC",        "Clock",
        "ExTrigger",    "SubSample",       "RoiX",       "RoiY",     "RoiW",       "RoiH"};
    EXPECT_EQ(host::registry().valueNames(settingsKey()).size(), 24u);
    for (const auto& name : names) {
        const auto value = host::registry().value(settingsKey(), name);
        ASSERT_TRUE(value.has_value()) << name;
        EXPECT_EQ(value->type, static_cast<std::uint32_t>(REG_DWORD)) << name;
        EXPECT_EQ(value->bytes.size(), 4u) << name;
    }
    EXPECT_EQ(stored("Timeout"), 4000u);
    EXPECT_EQ(stored("Brightness"), 300u);
    EXPECT_EQ(stored("RoiX"), 100u);
    EXPECT_EQ(stored("RoiY"), 50u);
    EXPECT_EQ(stored("RoiW"), 640u);
    EXPECT_EQ(stored("RoiH"), 480u);
    EXPECT_EQ(stored("ColorEnable"), 1u);
}

TEST_F(PersistenceTest, SettingsSurviveARestartOfTheDevice) {
    device->setExposure(250);
    EXPECT_TRUE(device->setGlobalGain(600));
    device->setSaturation(14);
    device->setRegionOfInterest(16, 32, 320, 240, 0);
    ASSERT_TRUE(saveSettings(device));

    // A new device object for the same physical device, started afresh.
    UnconfigureDevice(&device->transport);
    CameraDevice::Destroy(device);
    device = nullptr;
    ASSERT_EQ(
        CameraDevice::Create(nullptr, bus->deviceObject(), bus->deviceObject(), nullptr, &device),
        STATUS_SUCCESS);
    ASSERT_EQ(ConfigureDevice(&device->transport), STATUS_SUCCESS);
    EXPECT_EQ(device->exposure, 0u);
    EXPECT_TRUE(device->InitializeCamera());
    EXPECT_EQ(device->exposure, 250u);
    EXPECT_EQ(camera->currentExposure(), 250u);
    EXPECT_EQ(device->globalGain, 600u);
    EXPECT_EQ(device->saturation, 14);
    EXPECT_EQ(device->roiX, 16);
    EXPECT_EQ(device->outputWidth, 320);
    EXPECT_EQ(device->outputHeight, 240);
}

TEST_F(PersistenceTest, WithoutARegistryTheDeviceKeepsItsAddValues) {
    host::registry().failOpenDeviceKey(STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_FALSE(load());
    EXPECT_FALSE(saveSettings(device));
    EXPECT_EQ(device->exposure, 0u);
    EXPECT_EQ(device->brightness, 255);
    EXPECT_TRUE(newCommands().empty()) << "nothing reaches the camera";
}

TEST_F(PersistenceTest, AFailedSubkeyLeavesNothingOpenAndNothingApplied) {
    store("Brightness", 100);
    host::registry().failCreateKey(STATUS_ACCESS_DENIED);
    EXPECT_FALSE(load());
    EXPECT_FALSE(saveSettings(device));
    EXPECT_EQ(device->brightness, 255);
    // LedgerTest checks that both handles were closed.
}

TEST_F(PersistenceTest, AFailedWriteIsNotReported) {
    store("Brightness", 100);
    device->setBrightness(300);
    host::registry().failSetValue(STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_TRUE(saveSettings(device));
    EXPECT_EQ(stored("Brightness"), 100u) << "the previous value stays";
}

TEST_F(PersistenceTest, SettingsRoundTripThroughARegFile) {
    device->setHue(45);
    device->setWhiteBalance(1);
    ASSERT_TRUE(saveSettings(device));
    const std::string text = host::registry().toRegText();
    EXPECT_NE(text.find("\"Hue\"=dword:0000002d"), std::string::npos) << text;

    host::registry().clear();
    host::registry().loadRegText(text);
    device->setHue(0);
    device->setWhiteBalance(0);
    ASSERT_TRUE(load());
    EXPECT_EQ(device->hue, 45);
    EXPECT_EQ(device->whiteBalance, 1);
}

}  // namespace
