#include "simulated_camera.h"

#include <algorithm>

namespace host::camera {
namespace {

FirmwareSettings firmwareSettingsOf(SimulatedCameraOptions& options) {
    FirmwareSettings settings;
    settings.scene = options.fixedFrame.empty()
                         ? std::make_shared<const CameraScene>()
                         : std::make_shared<const CameraScene>(std::move(options.fixedFrame));
    settings.pacing = options.pacing;
    settings.framesPerSecond = options.framesPerSecond;
    settings.clockMode = options.clockMode;
    settings.readableBytes = options.readableBytes;
    return settings;
}

}  // namespace

SimulatedCamera::SimulatedCamera(SimulatedCameraOptions options)
    : vendorId_(options.vendorId),
      productId_(options.productId),
      firmwareSettings_(firmwareSettingsOf(options)),
      clock_(options.clock ? options.clock : steadyCameraClock()),
      firmware_(firmwareSettings_),
      descriptorFaults_(options.descriptorFaults),
      notifier_(clock_) {}

SimulatedCamera::~SimulatedCamera() = default;

bool SimulatedCamera::connected() const {
    std::lock_guard lock(mutex_);
    return connected_;
}

bool SimulatedCamera::enabled() const {
    std::lock_guard lock(mutex_);
    return enabled_;
}

void SimulatedCamera::resetPort() {
    {
        std::lock_guard lock(mutex_);
        if (!connected_) {
            return;
        }
        enabled_ = true;
        configuration_ = 0;
        dropTransfers();
    }
    notifier_.notify();
}

void SimulatedCamera::setDataReadyCallback(std::function<void()> ready) {
    notifier_.setCallback(std::move(ready));
}

void SimulatedCamera::dropTransfers() {
    halted_.clear();
    firmware_.dropFrame();
    firmware_.dropReplies();
}

void SimulatedCamera::recordError(std::string error) {
    protocolErrors_.push_back(std::move(error));
}

// ---- What the camera received ----------------------------------------------

std::vector<ReceivedCommand> SimulatedCamera::receivedCommands() const {
    return receivedCommandsSince(0);
}

std::vector<ReceivedCommand> SimulatedCamera::receivedCommandsSince(std::size_t first) const {
    std::lock_guard lock(mutex_);
    if (first >= received_.size()) {
        return {};
    }
    return {received_.begin() + static_cast<std::ptrdiff_t>(first), received_.end()};
}

std::vector<ReceivedCommand> SimulatedCamera::receivedCommandsOfKind(CommandKind kind) const {
    std::lock_guard lock(mutex_);
    std::vector<ReceivedCommand> matching;
    std::copy_if(received_.begin(), received_.end(), std::back_inserter(matching),
                 [kind](const ReceivedCommand& c) { return c.kind == kind; });
    return matching;
}

bool SimulatedCamera::waitForCommands(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return commandReceived_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
}

std::vector<std::string> SimulatedCamera::protocolErrors() const {
    std::lock_guard lock(mutex_);
    return protocolErrors_;
}

// ---- Camera state ----------------------------------------------------------

std::uint32_t SimulatedCamera::registerValue(unsigned address) const {
    std::lock_guard lock(mutex_);
    return firmware_.registerValue(address);
}

std::uint8_t SimulatedCamera::parameterValue(unsigned number) const {
    std::lock_guard lock(mutex_);
    return firmware_.parameter(number);
}

std::uint8_t SimulatedCamera::configurationValue() const {
    std::lock_guard lock(mutex_);
    return configuration_;
}

std::uint32_t SimulatedCamera::framesStarted() const {
    std::lock_guard lock(mutex_);
    return firmware_.framesStarted();
}

std::uint32_t SimulatedCamera::framesCompleted() const {
    std::lock_guard lock(mutex_);
    return firmware_.framesCompleted();
}

FrameEndpoint::State SimulatedCamera::frameState() const {
    std::lock_guard lock(mutex_);
    return firmware_.frameState();
}

std::size_t SimulatedCamera::queuedReplyPackets() const {
    std::lock_guard lock(mutex_);
    return firmware_.queuedReplyPackets();
}

unsigned SimulatedCamera::currentExposure() const {
    std::lock_guard lock(mutex_);
    return firmware_.exposure();
}

unsigned SimulatedCamera::currentGain() const {
    std::lock_guard lock(mutex_);
    return firmware_.globalGain();
}

bool SimulatedCamera::externalTriggerOn() const {
    std::lock_guard lock(mutex_);
    return firmware_.triggerOn();
}

void SimulatedCamera::notifyIfStarted(std::uint32_t startedBefore) {
    if (firmware_.framesStarted() != startedBefore) {
        notifier_.notifyAt(firmware_.frameTime());
    }
}

// ---- Settings --------------------------------------------------------------

void SimulatedCamera::setParameterValue(std::uint8_t number, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    const std::uint32_t startedBefore = firmware_.framesStarted();
    firmware_.setParameter(number, value, clock_->now());
    notifyIfStarted(startedBefore);
}

bool SimulatedCamera::trigger() {
    std::lock_guard lock(mutex_);
    const bool started = firmware_.trigger(clock_->now());
    if (started) {
        notifier_.notifyAt(firmware_.frameTime());
    }
    return started;
}

void SimulatedCamera::setReadableByte(std::uint16_t address, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    firmware_.setReadableByte(address, value);
}

void SimulatedCamera::setPacing(FramePacing pacing, double framesPerSecond) {
    std::lock_guard lock(mutex_);
    firmware_.setPacing(pacing, framesPerSecond);
}

// ---- Fault switches --------------------------------------------------------

void SimulatedCamera::stallEndpoint(std::uint8_t endpointAddress) {
    {
        std::lock_guard lock(mutex_);
        halted_.insert(endpointAddress);
    }
    notifier_.notify();
}

void SimulatedCamera::withholdFrames(int count) {
    std::lock_guard lock(mutex_);
    firmware_.withholdFrames(count);
}

void SimulatedCamera::withholdAnswers(int answered, int count) {
    std::lock_guard lock(mutex_);
    firmware_.withholdAnswers(answered, count);
}

void SimulatedCamera::addFrameTransferFault(const FrameTransferFault& fault) {
    std::lock_guard lock(mutex_);
    firmware_.addFrameTransferFault(fault);
}

void SimulatedCamera::clearFrameTransferFaults() {
    std::lock_guard lock(mutex_);
    firmware_.clearFrameTransferFaults();
}

void SimulatedCamera::setDescriptorFaults(const DescriptorFaults& faults) {
    std::lock_guard lock(mutex_);
    descriptorFaults_ = faults;
}

void SimulatedCamera::disablePort() {
    {
        std::lock_guard lock(mutex_);
        enabled_ = false;
    }
    notifier_.notify();
}

void SimulatedCamera::disconnect() {
    {
        std::lock_guard lock(mutex_);
        connected_ = false;
        enabled_ = false;
    }
    notifier_.notify();
}

void SimulatedCamera::reconnect() {
    {
        std::lock_guard lock(mutex_);
        firmware_ = CameraFirmware(firmwareSettings_);
        connected_ = true;
        enabled_ = true;
        configuration_ = 0;
        halted_.clear();
    }
    notifier_.notify();
}

}  // namespace host::camera
