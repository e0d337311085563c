// Requests the camera never answers: a property get, a stream stop and a
// device stop that meet a reply the camera withholds each end within the
// driver's bound for a bus request, leave nothing behind, and the device
// answers the next request as before.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include <camera/camera_firmware.h>

#include "blackbox_harness.h"

namespace {

using Clock = std::chrono::steady_clock;
using host::camera::CameraFirmware;

// The driver gives a bus request 5 s; the rest is scheduling slack.
constexpr auto kLongestWait = std::chrono::seconds(9);

class RequestTimeoutTest : public StreamBlackBoxTest {
  protected:
    void TearDown() override {
        simulatedCamera->withholdAnswers(0, 0);
        StreamBlackBoxTest::TearDown();
    }

    // Waits for `pending` within kLongestWait; if it still waits, unplugs
    // the camera (which ends every transfer) so the test can end.
    template <typename T>
    bool endsInTime(std::future<T>& pending) {
        if (pending.wait_for(kLongestWait) == std::future_status::ready) {
            return true;
        }
        ADD_FAILURE() << "still waiting for a reply that never comes";
        simulatedCamera->disconnect();
        pending.wait();
        simulatedCamera->reconnect();
        return false;
    }

    // Starts a clock-mode get, which asks the camera, and returns once the
    // query has gone out.
    std::future<LONG> clockGetInFlight() {
        const std::size_t sent = simulatedCamera->receivedCommands().size();
        auto get = std::async(std::launch::async, [this] {
            LONG value = -1;
            settings().get(CAMPROP_CLOCK, &value);
            return value;
        });
        EXPECT_TRUE(simulatedCamera->waitForCommands(sent + 1, std::chrono::seconds(5)));
        return get;
    }
};

TEST_F(RequestTimeoutTest, AGetWhoseReplyNeverComesEndsAndTheNextGetIsAnswered) {
    simulatedCamera->setParameterValue(15, 1);
    simulatedCamera->withholdAnswers(0, 1);
    const auto before = Clock::now();
    auto get = clockGetInFlight();
    ASSERT_TRUE(endsInTime(get));
    EXPECT_LT(Clock::now() - before, kLongestWait);
    EXPECT_EQ(bus->pendingRequests(), 0u);
    EXPECT_EQ(settings().get(CAMPROP_CLOCK), 1) << "answered again";
}

TEST_F(RequestTimeoutTest, StoppingAStreamWhileAReplyIsWithheldEndsInTime) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    ASSERT_EQ(capture(pin, 1).size(), 1u);
    simulatedCamera->withholdAnswers(0, CameraFirmware::kWithholdEveryAnswer);
    auto get = clockGetInFlight();
    const auto before = Clock::now();
    EXPECT_EQ(pin.setState(KSSTATE_PAUSE), STATUS_SUCCESS);
    EXPECT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
    ASSERT_TRUE(endsInTime(get));
    EXPECT_LT(Clock::now() - before, kLongestWait);

    simulatedCamera->withholdAnswers(0, 0);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    EXPECT_EQ(capture(pin, 1).size(), 1u) << "the device still streams";
    EXPECT_EQ(settings().get(CAMPROP_CLOCK), 2);
}

TEST_F(RequestTimeoutTest, ADeviceStopWhoseSaveMeetsAWithheldReplyEndsInTime) {
    filter.close();
    simulatedCamera->withholdAnswers(0, CameraFirmware::kWithholdEveryAnswer);
    auto stop = std::async(std::launch::async, [this] { host::streaming::stopDevice(device); });
    ASSERT_TRUE(endsInTime(stop));
    EXPECT_EQ(bus->pendingRequests(), 0u);

    simulatedCamera->withholdAnswers(0, 0);
    ASSERT_EQ(host::streaming::startDevice(device), STATUS_SUCCESS);
    filter = openFilter();
    EXPECT_EQ(CameraSettings(filter).get(CAMPROP_CLOCK), 2);
}

}  // namespace
