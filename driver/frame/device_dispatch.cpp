#include "device_dispatch.h"

#include "../camera/camera_device.h"
#include "../platform/pool.h"
#include "../platform/wide_text.h"
#include "../settings/settings_persistence.h"
#include "../usb/device_configuration.h"
#include "capture_worker.h"
#include "filter_descriptor.h"

namespace {

const KSDEVICE_DISPATCH kDeviceDispatch = {
    DeviceAdd,    // Add
    DeviceStart,  // Start
    nullptr,      // PostStart
    nullptr,      // QueryStop
    nullptr,      // CancelStop
    DeviceStop,   // Stop
    nullptr,      // QueryRemove
    nullptr,      // CancelRemove
    nullptr,      // Remove
    nullptr,      // QueryCapabilities
    nullptr,      // SurpriseRemoval
    nullptr,      // QueryPower
    nullptr,      // SetPower
    nullptr,      // QueryInterface
};

const WCHAR kFilterReferenceString[] = WIDE_TEXT("GLOBAL");

// Bag free functions: the device context has a destructor to run; the
// worker is plain memory.
void NTAPI DestroyCameraDevice(PVOID context) {
    CameraDevice::Destroy(static_cast<CameraDevice*>(context));
}

void NTAPI FreeWorker(PVOID worker) {
    FreeBlock(worker);
}

CameraDevice* CameraOf(PKSDEVICE device) {
    return static_cast<CameraDevice*>(device->Context);
}

// The filter factory lives until the next stop (the class frees it then).
NTSTATUS CreateFilterFactory(PKSDEVICE device) {
    KsAcquireDevice(device);
    const NTSTATUS status =
        KsCreateFilterFactory(device->FunctionalDeviceObject, &kCaptureFilterDescriptor,
                              const_cast<PWSTR>(kFilterReferenceString),  // the class only reads it
                              nullptr, KSCREATE_ITEM_FREEONSTOP, nullptr, nullptr, nullptr);
    KsReleaseDevice(device);
    return status;
}

// A worker the bag refuses is freed again; the device then has none.
void CreateWorker(PKSDEVICE device, CameraDevice* camera) {
    CaptureWorker* worker = CaptureWorker::Create(camera);
    if (worker == nullptr) {
        return;
    }
    KsAcquireDevice(device);
    const NTSTATUS status = KsAddItemToObjectBag(device->Bag, worker, FreeWorker);
    KsReleaseDevice(device);
    if (!NT_SUCCESS(status)) {
        FreeBlock(worker);
        return;
    }
    camera->worker = worker;
}

}  // namespace

const KSDEVICE_DESCRIPTOR kCameraDeviceDescriptor = {
    &kDeviceDispatch,  // Dispatch
    0,                 // FilterDescriptorsCount: the factory is made at start
    nullptr,           // FilterDescriptors
    0,                 // Version
};

NTSTATUS NTAPI DeviceAdd(PKSDEVICE device) {
    CameraDevice* camera = nullptr;
    NTSTATUS status =
        CameraDevice::Create(device, device->PhysicalDeviceObject, device->NextDeviceObject,
                             device->FunctionalDeviceObject, &camera);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    KsAcquireDevice(device);
    status = KsAddItemToObjectBag(device->Bag, camera, DestroyCameraDevice);
    KsReleaseDevice(device);
    if (!NT_SUCCESS(status)) {
        CameraDevice::Destroy(camera);
        return status;
    }
    device->Context = camera;
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI DeviceStart(PKSDEVICE device, PIRP /*irp*/,
                           PCM_RESOURCE_LIST /*translatedResources*/,
                           PCM_RESOURCE_LIST /*untranslatedResources*/) {
    CameraDevice* camera = CameraOf(device);
    if (camera == nullptr) {
        return STATUS_INVALID_DEVICE_STATE;  // Add never completed
    }
    // A factory that cannot be made is not fatal: the camera still starts,
    // it just cannot be opened until the next start.
    if (!device->Started && NT_SUCCESS(CreateFilterFactory(device))) {
        CreateWorker(device, camera);
    }
    const NTSTATUS status = ConfigureDevice(&camera->transport);
    camera->InitializeCamera();
    return status;
}

void NTAPI DeviceStop(PKSDEVICE device, PIRP /*irp*/) {
    CameraDevice* camera = CameraOf(device);
    if (camera == nullptr) {
        return;
    }
    saveSettings(camera);
    UnconfigureDevice(&camera->transport);
}
