// Preparing the camera for streaming.
#include "../usb/command_packets.h"
#include "../usb/packet_transfer.h"
#include "camera_device.h"
#include "sensor_geometry.h"

namespace {

constexpr UCHAR kAfterStreamSetupParameter = 14;

}  // namespace

bool CameraDevice::sendStreamSetupLocked() {
    UCHAR packet[kPacketBytes];  // a buffer of its own, not commandBuffer
    BuildStreamSetup(packet);
    SendPacket(&transport, kCommandPipe, kPacketBytes, packet);
    return setParameterLocked(kAfterStreamSetupParameter, 0);
}

bool CameraDevice::SendStreamSetup() {
    CommandLock lock(&commands);
    return sendStreamSetupLocked();
}

void CameraDevice::PrepareCapture() {
    frameDataOffset = 0;
    rawRowPitch = kSensorWidth;
    rawFrameBytes = kRawFrameBytes;
    {
        CommandLock lock(&commands);
        // The raw frame size, least significant byte first in parameter 0.
        for (UCHAR i = 0; i < 4; ++i) {
            setParameterLocked(i, static_cast<UCHAR>(kRawFrameBytes >> (8 * i)));
        }
        sendStreamSetupLocked();
    }
    deriveBayerPhase();
}
