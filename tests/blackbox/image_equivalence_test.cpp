// The shipped kernel image and the host build of the same sources, run one
// after the other through the same script on the same fixed scene, must be
// indistinguishable from outside: the same command packets on the bus for
// the start-up and for a capture, the same answers to all 61 properties and
// byte-identical frames. A difference points at the cross compiler, the
// kernel headers' inline code or the stand-in, whichever the two builds do
// not share.
#include <gtest/gtest.h>

#include <kernel/host_kernel.h>
#include <kernel/registry.h>

#include <cstring>
#include <set>
#include <string>

#include "blackbox_harness.h"
#include "camera_property_names.h"

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driverObject, PUNICODE_STRING registryPath);

namespace {

constexpr std::size_t kUsbPcapHeaderBytes = 27;
constexpr std::size_t kInfoOffset = 16;  // bit 0: a completion
constexpr std::size_t kEndpointOffset =
    21;  // after headerLen, irpId, status, function, info, bus, device
constexpr std::uint8_t kCommandEndpoint = 0x01;
constexpr std::size_t kFramesToCompare = 3;

// Everything one run shows an observer.
struct Observation {
    Bytes startupPackets;               // command packets, 64 bytes each
    std::vector<Bytes> capturePackets;  // after start-up, one entry a packet
    std::vector<std::string> propertyAnswers;
    std::vector<Bytes> frames;
};

std::vector<Bytes> commandPackets(const host::usb::BusTrace& trace) {
    std::vector<Bytes> packets;
    for (const host::usb::PcapRecord& record : trace.records()) {
        const Bytes& bytes = record.bytes;
        if (bytes.size() <= kUsbPcapHeaderBytes || (bytes[kInfoOffset] & 1) != 0 ||
            bytes[kEndpointOffset] != kCommandEndpoint) {
            continue;
        }
        packets.emplace_back(bytes.begin() + kUsbPcapHeaderBytes, bytes.end());
    }
    return packets;
}

std::string answerOf(const host::streaming::FilterHandle& filter, const CameraPropertyInfo& item) {
    const CameraSettings settings(filter);
    std::string answer = std::string(item.name) + ": ";
    if (item.payload == PropertyPayload::kValue) {
        LONG value = -12345;
        const NTSTATUS status = settings.get(item.id, &value);
        return answer + std::to_string(status) + " " + std::to_string(value);
    }
    if (item.payload == PropertyPayload::kRegion) {
        CameraRoiPayload region{};
        return answer + std::to_string(settings.send(item.id, KSPROPERTY_TYPE_GET, &region));
    }
    CameraBlockPayload block{};
    const NTSTATUS status = settings.send(item.id, KSPROPERTY_TYPE_GET, &block);
    answer += std::to_string(status);
    for (UCHAR byte : block.data) {
        answer += " " + std::to_string(byte);
    }
    return answer;
}

class ImageEquivalenceTest : public StreamBlackBoxTest {
  protected:
    // The fixture loads the image (BAYERCAM_DRIVER_IMAGE); this runs the
    // script on `entry` with a camera, bus and driver of its own.
    Observation observe(PDRIVER_INITIALIZE entry) {
        Observation seen;
        host::camera::SimulatedCamera camera(cameraOptions());
        host::usb::UsbBus usb(camera);
        usb.trace().start();
        host::streaming::LoadedDriver loaded(entry);
        EXPECT_EQ(loaded.entryStatus(), STATUS_SUCCESS);
        PKSDEVICE started = nullptr;
        EXPECT_EQ(loaded.addDevice(usb.deviceObject(), &started), STATUS_SUCCESS);
        EXPECT_EQ(host::streaming::startDevice(started), STATUS_SUCCESS);
        for (const Bytes& packet : commandPackets(usb.trace())) {
            seen.startupPackets.insert(seen.startupPackets.end(), packet.begin(), packet.end());
        }
        const std::size_t startupCount = commandPackets(usb.trace()).size();

        NTSTATUS status = STATUS_UNSUCCESSFUL;
        auto session = host::streaming::FilterHandle::open(started, "GLOBAL", &status);
        EXPECT_EQ(status, STATUS_SUCCESS);
        for (const CameraPropertyInfo& item : cameraProperties()) {
            seen.propertyAnswers.push_back(answerOf(session, item));
        }
        // Settings that take every stage of the pipeline off its defaults.
        const CameraSettings settings(session);
        EXPECT_EQ(settings.set(CAMPROP_HUE, 40), STATUS_SUCCESS);
        EXPECT_EQ(settings.set(CAMPROP_SATURATION, 13), STATUS_SUCCESS);
        EXPECT_EQ(settings.set(CAMPROP_CONTRAST, 12), STATUS_SUCCESS);
        EXPECT_EQ(settings.set(CAMPROP_BRIGHTNESS, 270), STATUS_SUCCESS);
        EXPECT_EQ(settings.set(CAMPROP_WHITEBALANCE, 1), STATUS_SUCCESS);
        EXPECT_EQ(settings.set(CAMPROP_EXPOSURE, 200), STATUS_SUCCESS);

        auto pin = createPin(session);
        EXPECT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
        for (auto& frame : capture(pin, kFramesToCompare)) {
            seen.frames.push_back(std::move(frame.data));
        }
        EXPECT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
        pin.close();
        session.close();
        host::streaming::removeDevice(started);
        const std::vector<Bytes> all = commandPackets(usb.trace());
        seen.capturePackets.assign(all.begin() + static_cast<std::ptrdiff_t>(startupCount),
                                   all.end());
        return seen;
    }

    // The driver loaded, no device of the fixture's own: the two runs make
    // theirs.
    void SetUp() override {
        BlackBoxTest::SetUp();
        ASSERT_TRUE(underTest->isImage()) << "set BAYERCAM_DRIVER_IMAGE to the kernel image";
    }
};

// The capture's packets up to and including the first frame request are
// its preparation and must match one for one; how many frames the worker
// reads before the stream stops depends on timing, so after that only
// which packets were sent must match.
void expectSameCapturePackets(const std::vector<Bytes>& host, const std::vector<Bytes>& image) {
    auto firstFrameRequest = [](const std::vector<Bytes>& packets) {
        std::size_t i = 0;
        while (i < packets.size() && !(packets[i].size() == 64 && packets[i][0] == 0x02)) {
            ++i;
        }
        return std::min(i + 1, packets.size());
    };
    const std::size_t hostPrefix = firstFrameRequest(host);
    const std::size_t imagePrefix = firstFrameRequest(image);
    ASSERT_EQ(hostPrefix, imagePrefix);
    for (std::size_t i = 0; i < hostPrefix; ++i) {
        EXPECT_EQ(host[i], image[i]) << "capture packet " << i;
    }
    const std::set<Bytes> hostRest(host.begin() + static_cast<std::ptrdiff_t>(hostPrefix),
                                   host.end());
    const std::set<Bytes> imageRest(image.begin() + static_cast<std::ptrdiff_t>(imagePrefix),
                                    image.end());
    EXPECT_EQ(hostRest, imageRest);
}

TEST_F(ImageEquivalenceTest, TheImageAndTheHostBuildAreIndistinguishable) {
    const Observation image = observe(underTest->entry());
    ASSERT_FALSE(HasFailure());
    // The registry the image's run saved to would be loaded by the next
    // start: each run starts from an empty one.
    host::registry().clear();
    const Observation hostBuild = observe(DriverEntry);
    ASSERT_FALSE(HasFailure());

    // Initialize and the start-up's register writes at least; frames whole.
    EXPECT_GE(hostBuild.startupPackets.size(), 900u * 64u);
    EXPECT_FALSE(hostBuild.capturePackets.empty());
    EXPECT_EQ(hostBuild.propertyAnswers.size(), std::size_t{CAMPROP_COUNT});
    EXPECT_EQ(image.startupPackets.size(), hostBuild.startupPackets.size());
    EXPECT_TRUE(image.startupPackets == hostBuild.startupPackets)
        << "start-up command packets differ";
    expectSameCapturePackets(hostBuild.capturePackets, image.capturePackets);
    EXPECT_EQ(image.propertyAnswers, hostBuild.propertyAnswers);
    ASSERT_EQ(image.frames.size(), kFramesToCompare);
    ASSERT_EQ(hostBuild.frames.size(), kFramesToCompare);
    for (std::size_t i = 0; i < kFramesToCompare; ++i) {
        EXPECT_EQ(hostBuild.frames[i].size(), 1280u * 960u * 4u);
        EXPECT_TRUE(image.frames[i] == hostBuild.frames[i]) << "frame " << i << " differs";
    }
}

}  // namespace
