// The property names the tools accept.
#include <set>
#include <string>

#include "camera_property_names.h"
#include "support/ledger_test.h"

namespace {

class PropertyNamesTest : public LedgerTest {};

TEST_F(PropertyNamesTest, NamesMatchIgnoringCaseUnderscoresAndThePrefix) {
    for (const char* name : {"EXPOSURE_MIN", "Exposure_Min", "exposuremin", "CAMPROP_EXPOSURE_MIN",
                             "_e_x_p_o_s_u_r_e_m_i_n_"}) {
        const CameraPropertyInfo* found = findCameraProperty(name);
        ASSERT_NE(found, nullptr) << name;
        EXPECT_EQ(found->id, ULONG{CAMPROP_EXPOSURE_MIN}) << name;
    }
    EXPECT_EQ(findCameraProperty("EXPOSURE_MINIMUM"), nullptr);
    EXPECT_EQ(findCameraProperty(""), nullptr);
    EXPECT_EQ(findCameraProperty("CAMPROP"), nullptr);
}

TEST_F(PropertyNamesTest, EveryItemHasOneDistinctNameInIdentifierOrder) {
    std::set<std::string> names;
    ULONG expected = 0;
    for (const CameraPropertyInfo& property : cameraProperties()) {
        EXPECT_EQ(property.id, expected++);
        EXPECT_TRUE(names.insert(property.name).second) << property.name;
        EXPECT_EQ(findCameraProperty(property.name), &property);
    }
    EXPECT_EQ(names.size(), 61u);
    EXPECT_FALSE(findCameraProperty("ROI")->gettable);
    EXPECT_FALSE(findCameraProperty("SENSOR_WIDTH")->settable);
    EXPECT_TRUE(findCameraProperty("READ_BYTE")->gettable);
}

}  // namespace
