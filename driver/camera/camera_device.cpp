#include "camera_device.h"

#include <new>

#include "../platform/pool.h"
#include "../settings/frame_timeout.h"
#include "../usb/bulk_frame_reader.h"
#include "../usb/pipe_operations.h"
#include "sensor_geometry.h"

namespace {

constexpr LONG kSensorPhase = 2;  // RGGB at the sensor's top left

// The settings a device starts with, before the stored ones are applied.
void SetDefaultSettings(CameraDevice* camera) {
    camera->timeoutMs = kDefaultFrameTimeoutMs;
    camera->colorEnable = 1;
    camera->redGain = 128;
    camera->greenGain = 128;
    camera->blueGain = 128;
    camera->colorCorrection = 1;
    camera->brightness = 255;
    camera->contrast = 10;
    camera->saturation = 10;
    camera->windowWidth = static_cast<LONG>(kSensorWidth);
    camera->windowHeight = static_cast<LONG>(kSensorHeight);
    camera->bayerPhase = kSensorPhase;
}

}  // namespace

NTSTATUS CameraDevice::Create(PVOID deviceRecord, PDEVICE_OBJECT physicalDevice,
                              PDEVICE_OBJECT lowerDevice, PDEVICE_OBJECT functionalDevice,
                              CameraDevice** created) {
    *created = nullptr;
    void* block = AllocZeroed(sizeof(CameraDevice), NonPagedPoolNx);
    if (block == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    // The block is zero-filled: every field not set below starts at 0.
    auto* camera = new (block) CameraDevice;
    camera->device = deviceRecord;
    InitializeUsbTransport(&camera->transport, physicalDevice, lowerDevice, functionalDevice);
    InitializeCommandBuffers(&camera->commands);
    KeInitializeEvent(&camera->settingsLock, SynchronizationEvent, TRUE);
    SetDefaultSettings(camera);
    camera->sensorPhase = kSensorPhase;
    camera->setRegionOfInterest(0, 0, static_cast<LONG>(kSensorWidth),
                                static_cast<LONG>(kSensorHeight), 0);
    *created = camera;
    return STATUS_SUCCESS;
}

void CameraDevice::Destroy(CameraDevice* camera) {
    if (camera == nullptr) {
        return;
    }
    camera->~CameraDevice();
    FreeBlock(camera);
}

// ---- Slots -----------------------------------------------------------------

void CameraDevice::SignalFrameReady() {
    if (streamOwner != nullptr) {
        streamOwner->AttemptProcessing();
    }
}

UCHAR CameraDevice::ReadFrame(PUCHAR buffer, PUCHAR ok) {
    *ok = 1;
    *ok = ::ReadFrame(&transport, &commands, buffer) ? 1 : 0;
    return *ok;
}

void CameraDevice::GetRawFrameSize(PULONG size) {
    *size = rawFrameBytes;
}
void CameraDevice::GetFrameDataOffset(PULONG offset) {
    *offset = frameDataOffset;
}
void CameraDevice::GetRawRowPitch(PULONG pitch) {
    *pitch = rawRowPitch;
}
NTSTATUS CameraDevice::AbortPipes() {
    return ::AbortPipes(&transport);
}
void CameraDevice::CancelReads() {
    ::CancelReads(&transport);
}
LONG CameraDevice::GetRoiX() {
    return roiX;
}
LONG CameraDevice::GetRoiY() {
    return roiY;
}
