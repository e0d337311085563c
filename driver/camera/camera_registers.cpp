// Register writes with their shadow, parameters, and the service commands,
// each as one unit under the command lock.
#include "../usb/command_packets.h"
#include "../usb/packet_transfer.h"
#include "camera_device.h"

bool CameraDevice::sendCommandLocked() {
    return SendPacket(&transport, kCommandPipe, kPacketBytes, commands.commandBuffer);
}

bool CameraDevice::writeRegisterLocked(ULONG address, ULONG value) {
    if (address > kHighestRegister) {
        return false;
    }
    // The shadow keeps the value as given, whatever the camera made of it.
    registerShadow[address] = value;
    BuildWriteRegister(commands.commandBuffer, address, value);
    return sendCommandLocked();
}

bool CameraDevice::setParameterLocked(UCHAR parameter, UCHAR value) {
    BuildSetParameter(commands.commandBuffer, parameter, value);
    return sendCommandLocked();
}

bool CameraDevice::getParameterLocked(UCHAR parameter, PULONG value) {
    BuildGetParameter(commands.commandBuffer, parameter);
    if (!QueryPacket(&transport, &commands)) {
        return false;
    }
    *value = commands.commandBuffer[0];
    return true;
}

bool CameraDevice::WriteCameraRegister(ULONG address, ULONG value) {
    CommandLock lock(&commands);
    return writeRegisterLocked(address, value);
}

bool CameraDevice::readShadowRegister(ULONG address, PULONG value) {
    if (address > kHighestRegister) {
        return false;
    }
    CommandLock lock(&commands);
    *value = registerShadow[address];
    return true;
}

bool CameraDevice::SetCameraParameter(UCHAR parameter, UCHAR value) {
    CommandLock lock(&commands);
    return setParameterLocked(parameter, value);
}

bool CameraDevice::GetCameraParameter(UCHAR parameter, PULONG value) {
    CommandLock lock(&commands);
    return getParameterLocked(parameter, value);
}

bool CameraDevice::SendRawCommand(LONG length, const UCHAR* payload) {
    CommandLock lock(&commands);
    BuildRawCommand(commands.commandBuffer, payload, length);
    return sendCommandLocked();
}

void CameraDevice::ReadByteAt(PUCHAR value) {
    CommandLock lock(&commands);
    BuildReadByte(commands.commandBuffer, static_cast<USHORT>(registerAddress & 0xFFFF));
    if (QueryPacket(&transport, &commands) && value != nullptr) {
        *value = commands.commandBuffer[0];
    }
}
