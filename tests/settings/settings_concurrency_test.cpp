// Settings changed from several application threads at once: every save
// writes one consistent state, and concurrent setters never lose the
// device's mirrors towards a running conversion.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <kernel/registry.h>

#include "pipeline/conversion_context.h"
#include "settings/settings_persistence.h"
#include "settings_fixture.h"

namespace {

class SettingsConcurrencyTest : public SettingsTest {};

TEST_F(SettingsConcurrencyTest, EverySaveWritesARegionFromOneChange) {
    const std::string key = host::registry().driverKeyPath(bus->deviceObject()) + "\\Settings";
    device->setRegionOfInterest(0, 0, 640, 480, 0);
    std::atomic<bool> done{false};
    // Each change keeps width = 640 - x and height = 480 - y, so a save
    // that interleaved with a change would break the relation.
    std::thread changer([&] {
        for (LONG i = 0; i < 300; ++i) {
            const LONG x = 2 * (i % 100);
            const LONG y = 2 * ((i * 7) % 100);
            device->setRegionOfInterest(x, y, 640 - x, 480 - y, 0);
        }
        done = true;
    });
    int checked = 0;
    int torn = 0;
    while (!done || checked == 0) {
        EXPECT_TRUE(saveSettings(device));
        const auto x = host::registry().dword(key, "RoiX").value_or(0);
        const auto y = host::registry().dword(key, "RoiY").value_or(0);
        const auto width = host::registry().dword(key, "RoiW").value_or(0);
        const auto height = host::registry().dword(key, "RoiH").value_or(0);
        torn += (width != 640 - x || height != 480 - y) ? 1 : 0;
        ++checked;
    }
    changer.join();
    EXPECT_EQ(torn, 0) << "of " << checked << " saves";
}

TEST_F(SettingsConcurrencyTest, ConcurrentSettersEndWithEachSettingsLastValue) {
    ConversionContext* context = nullptr;
    ASSERT_EQ(ConversionContext::Create(&context), STATUS_SUCCESS);
    device->attachConversion(context);
    std::thread tone([&] {
        for (LONG i = 0; i <= 200; ++i) {
            device->setBrightness(i);
            device->setHue(i);
        }
    });
    std::thread gains([&] {
        for (LONG i = 1; i <= 200; ++i) {
            device->setRedGain(i);
            (void)device->getBlueGain();
        }
    });
    std::thread saves([&] {
        for (int i = 0; i < 20; ++i) {
            (void)saveSettings(device);
        }
    });
    tone.join();
    gains.join();
    saves.join();
    EXPECT_EQ(device->getBrightness(), 200);
    EXPECT_EQ(context->getHue(), 200);
    EXPECT_EQ(device->getRedGain(), 200);
    ConversionContext::Destroy(device->detachConversion());
}

}  // namespace
