#include "camera_test.h"

#include <algorithm>

using host::camera::SimulatedCamera;
using host::camera::SimulatedCameraOptions;

std::vector<std::uint8_t> commandPacket(std::uint8_t code,
                                        std::initializer_list<std::uint8_t> arguments) {
    std::vector<std::uint8_t> packet(host::camera::kCommandPacketBytes, 0);
    packet[0] = code;
    std::copy(arguments.begin(), arguments.end(), packet.begin() + 1);
    return packet;
}

std::vector<std::uint8_t> writeRegisterPacket(unsigned bitCount, unsigned address,
                                              std::uint32_t value) {
    const std::uint32_t word = address | (value << 10);
    return commandPacket(
        0x04, {static_cast<std::uint8_t>(bitCount), static_cast<std::uint8_t>(word),
               static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word >> 16),
               static_cast<std::uint8_t>(word >> 24)});
}

void CameraTest::TearDown() {
    camera_.reset();
    LedgerTest::TearDown();
}

SimulatedCameraOptions CameraTest::fastOptions() {
    SimulatedCameraOptions options;
    options.pacing = host::camera::FramePacing::kAsFastAsPossible;
    return options;
}

SimulatedCamera& CameraTest::makeCamera(SimulatedCameraOptions options, bool configure) {
    camera_.reset();
    camera_ = std::make_unique<SimulatedCamera>(std::move(options));
    if (configure) {
        EXPECT_EQ(setConfiguration(1).response, host::usb::DeviceResponse::kAck);
    }
    return *camera_;
}

host::usb::TransferOutcome CameraTest::control(const host::usb::SetupPacket& setup,
                                               std::vector<std::uint8_t>& data) {
    data.resize(std::max<std::size_t>(data.size(), setup.wLength));
    return camera_->controlTransfer(setup, data.data());
}

host::usb::TransferOutcome CameraTest::setConfiguration(std::uint16_t value) {
    std::vector<std::uint8_t> none;
    return control({0x00, 9, value, 0, 0}, none);
}

InTransfer CameraTest::getDescriptor(std::uint8_t type, std::uint16_t length) {
    std::vector<std::uint8_t> data(length, 0xEE);
    const auto outcome = control({0x80, 6, static_cast<std::uint16_t>(type << 8), 0, length}, data);
    data.resize(outcome.response == host::usb::DeviceResponse::kAck ? outcome.length : 0);
    return {outcome, data};
}

host::usb::TransferOutcome CameraTest::send(const std::vector<std::uint8_t>& packet) {
    return camera_->transferOut(host::camera::kCommandEndpoint, packet.data(), packet.size());
}

void CameraTest::sendAll(const std::vector<std::vector<std::uint8_t>>& packets) {
    for (const auto& packet : packets) {
        EXPECT_EQ(send(packet).response, host::usb::DeviceResponse::kAck);
    }
    EXPECT_EQ(camera_->protocolErrors(), std::vector<std::string>{});
}

InTransfer CameraTest::readIn(std::uint8_t endpoint, std::size_t length) {
    std::vector<std::uint8_t> data(length, 0xEE);
    const auto outcome = camera_->transferIn(endpoint, data.data(), length);
    data.resize(outcome.response == host::usb::DeviceResponse::kAck ? outcome.length : 0);
    return {outcome, data};
}

void CameraTest::requestFrame() {
    for (std::uint8_t code : {0x02, 0x02, 0x03}) {
        EXPECT_EQ(send(commandPacket(code)).response, host::usb::DeviceResponse::kAck);
    }
}

std::vector<std::uint8_t> CameraTest::readWholeFrame() {
    std::vector<std::uint8_t> frame;
    while (frame.size() < host::camera::kFrameBytes) {
        const InTransfer in = readIn(host::camera::kFrameEndpoint, kChunk);
        if (!in.acked()) {
            ADD_FAILURE() << "frame transfer not acknowledged after " << frame.size() << " bytes";
            break;
        }
        frame.insert(frame.end(), in.bytes.begin(), in.bytes.end());
    }
    return frame;
}
