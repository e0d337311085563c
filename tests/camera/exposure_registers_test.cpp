// The exposure and global gain the camera reads from its registers, written
// the way the driver writes them.
#include <camera/exposure_registers.h>

#include "camera_test.h"
#include "register_settings.h"

namespace {

using namespace host::camera;

class ExposureRegistersTest : public CameraTest {
  protected:
    void SetUp() override {
        CameraTest::SetUp();
        makeCamera(fastOptions());
    }
};

TEST_F(ExposureRegistersTest, PowerUpIsUnprogrammed) {
    EXPECT_EQ(camera().currentExposure(), kUnprogrammedExposure);
    EXPECT_EQ(camera().currentGain(), 0U);
}

TEST_F(ExposureRegistersTest, StartupValuesGiveACountOfFour) {
    sendAll(startupExposurePackets());
    EXPECT_EQ(camera().currentExposure(), 4U);
}

TEST_F(ExposureRegistersTest, CountIsTheLowPairSplitInSixBitHalves) {
    sendAll(startupExposurePackets());
    for (unsigned count : {3U, 63U, 64U, 500U, 1000U, 1001U}) {
        sendAll(exposureCountPackets(count));
        EXPECT_EQ(camera().currentExposure(), count);
    }
    // The copy in 161/162 does not count.
    sendAll(registerRunPackets(158, {20, 1}));
    sendAll(registerRunPackets(161, {5, 2}));
    EXPECT_EQ(camera().currentExposure(), 20U + 64U);
}

TEST_F(ExposureRegistersTest, CountIsClampedIntoItsRange) {
    sendAll(registerRunPackets(158, {1, 0}));
    EXPECT_EQ(camera().currentExposure(), kShortestExposure);
    sendAll(registerRunPackets(158, {63, 63}));
    EXPECT_EQ(camera().currentExposure(), kLongestCountedExposure);
    sendAll(registerRunPackets(158, {0, 0}));
    EXPECT_EQ(camera().currentExposure(), kUnprogrammedExposure);
}

TEST_F(ExposureRegistersTest, SpecialExposuresInAndOut) {
    sendAll(startupExposurePackets());
    sendAll(enterSpecialExposurePackets(1002));
    EXPECT_EQ(camera().currentExposure(), kSpecialExposureShort);
    sendAll(leaveSpecialExposurePackets(700));
    EXPECT_EQ(camera().currentExposure(), 700U);
    sendAll(enterSpecialExposurePackets(1003));
    EXPECT_EQ(camera().currentExposure(), kSpecialExposureLong);
    // From one special exposure straight to the other.
    sendAll(enterSpecialExposurePackets(1002));
    EXPECT_EQ(camera().currentExposure(), kSpecialExposureShort);
    sendAll(leaveSpecialExposurePackets(3));
    EXPECT_EQ(camera().currentExposure(), 3U);
}

TEST_F(ExposureRegistersTest, EveryStepOfTheSequencesReadsAsAnExposure) {
    // Part-way through entering or leaving, the camera is in one mode or
    // the other, never outside the exposures it knows.
    sendAll(startupExposurePackets());
    std::vector<std::vector<std::uint8_t>> packets;
    for (const auto& more : {enterSpecialExposurePackets(1002), leaveSpecialExposurePackets(300),
                             enterSpecialExposurePackets(1003), leaveSpecialExposurePackets(9)}) {
        packets.insert(packets.end(), more.begin(), more.end());
    }
    for (const auto& packet : packets) {
        send(packet);
        const unsigned exposure = camera().currentExposure();
        EXPECT_GE(exposure, kShortestExposure);
        EXPECT_LE(exposure, kSpecialExposureLong);
    }
}

TEST_F(ExposureRegistersTest, GlobalGainFromRegistersSixAndSeven) {
    sendAll(registerRunPackets(6, {2, 7}));  // the driver's start-up
    EXPECT_EQ(camera().currentGain(), 450U);
    for (unsigned gain : {0U, 1U, 63U, 64U, 512U, 1023U}) {
        sendAll(globalGainPackets(gain));
        EXPECT_EQ(camera().currentGain(), gain);
    }
    // Only the low 4 bits of register 7 count.
    sendAll(registerRunPackets(6, {5, 0x31}));
    EXPECT_EQ(camera().currentGain(), 5U | 1U << 6);
}

}  // namespace
