// The device interfaces a started camera offers: the interface classes an
// application enumerates to find it, each leading to the filter it opens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "blackbox_harness.h"

namespace {

using References = std::vector<std::string>;

class DeviceInterfaceTest : public BlackBoxTest {
  protected:
    References referencesUnder(const GUID& category) const {
        return host::streaming::interfaceReferences(device, category);
    }
};

TEST_F(DeviceInterfaceTest, TheFilterIsListedUnderEveryCategoryCaptureApplicationsEnumerate) {
    plugIn();
    // DirectShow and Media Foundation enumerate capture and video; the
    // Camera app, MediaCapture and the frame server only video camera.
    EXPECT_EQ(referencesUnder(KSCATEGORY_CAPTURE), References{"GLOBAL"});
    EXPECT_EQ(referencesUnder(KSCATEGORY_VIDEO), References{"GLOBAL"});
    EXPECT_EQ(referencesUnder(KSCATEGORY_VIDEO_CAMERA), References{"GLOBAL"});
    EXPECT_TRUE(openFilter().isOpen()) << "the listed reference opens the filter";
}

TEST_F(DeviceInterfaceTest, AnAddedDeviceThatIsNotStartedOffersNoInterface) {
    plugIn(/*start=*/false);
    EXPECT_TRUE(referencesUnder(KSCATEGORY_VIDEO_CAMERA).empty());
}

}  // namespace
