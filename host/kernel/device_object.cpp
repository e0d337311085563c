// Device objects on the stand-in: IoCreateDevice, IoDeleteDevice and
// device stacks (IoAttachDeviceToDeviceStack, IoDetachDevice). A device
// object and its extension are one pool block under 'Devo'.
#include "pool_tags.h"
#include "violation.h"

namespace {

// The extension starts 16-byte aligned, as pool allocations do.
constexpr SIZE_T kObjectSize = (sizeof(DEVICE_OBJECT) + 15) & ~SIZE_T{15};

void unlinkFromDriver(PDEVICE_OBJECT device) {
    PDEVICE_OBJECT* link = &device->DriverObject->DeviceObject;
    while (*link != nullptr && *link != device) {
        link = &(*link)->NextDevice;
    }
    if (*link == device) {
        *link = device->NextDevice;
    }
}

PDEVICE_OBJECT topOfStack(PDEVICE_OBJECT device) {
    while (device->AttachedDevice != nullptr) {
        device = device->AttachedDevice;
    }
    return device;
}

}  // namespace

// Called at PASSIVE_LEVEL. Names are not kept (nothing opens a device by
// name here). The new device is first on the driver's list, has stack size
// 1 and DO_DEVICE_INITIALIZING set, as on Windows.
extern "C" NTSTATUS NTAPI IoCreateDevice(PDRIVER_OBJECT DriverObject, ULONG DeviceExtensionSize,
                                         PUNICODE_STRING /*DeviceName*/, DEVICE_TYPE DeviceType,
                                         ULONG DeviceCharacteristics, BOOLEAN Exclusive,
                                         PDEVICE_OBJECT* DeviceObject) {
    *DeviceObject = nullptr;
    if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
        host::reportViolation("IoCreateDevice called above PASSIVE_LEVEL");
        return STATUS_INVALID_PARAMETER;
    }
    const SIZE_T size = kObjectSize + DeviceExtensionSize;
    auto* device = static_cast<PDEVICE_OBJECT>(
        ExAllocatePoolWithTag(NonPagedPoolNx, size, host::kDeviceObjectPoolTag));
    if (device == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    std::memset(device, 0, size);
    device->Type = IO_TYPE_DEVICE;
    device->Size = static_cast<USHORT>(sizeof(DEVICE_OBJECT) + DeviceExtensionSize);
    device->DriverObject = DriverObject;
    device->NextDevice = DriverObject->DeviceObject;
    DriverObject->DeviceObject = device;
    device->DeviceExtension =
        DeviceExtensionSize != 0 ? reinterpret_cast<PUCHAR>(device) + kObjectSize : nullptr;
    device->DeviceType = DeviceType;
    device->Characteristics = DeviceCharacteristics;
    device->Flags = DO_DEVICE_INITIALIZING | (Exclusive ? DO_EXCLUSIVE : 0);
    device->StackSize = 1;
    KeInitializeEvent(&device->DeviceLock, SynchronizationEvent, TRUE);
    *DeviceObject = device;
    return STATUS_SUCCESS;
}

// Deleting a device that another device is still attached to is a
// violation and deletes nothing.
extern "C" VOID NTAPI IoDeleteDevice(PDEVICE_OBJECT DeviceObject) {
    if (DeviceObject->AttachedDevice != nullptr) {
        host::reportViolation("IoDeleteDevice: a device is still attached above it");
        return;
    }
    unlinkFromDriver(DeviceObject);
    ExFreePoolWithTag(DeviceObject, host::kDeviceObjectPoolTag);
}

// Returns the device SourceDevice now sits on (the old top of the stack).
extern "C" PDEVICE_OBJECT NTAPI IoAttachDeviceToDeviceStack(PDEVICE_OBJECT SourceDevice,
                                                            PDEVICE_OBJECT TargetDevice) {
    PDEVICE_OBJECT top = topOfStack(TargetDevice);
    top->AttachedDevice = SourceDevice;
    SourceDevice->StackSize = static_cast<CCHAR>(top->StackSize + 1);
    SourceDevice->AlignmentRequirement = top->AlignmentRequirement;
    return top;
}

extern "C" VOID NTAPI IoDetachDevice(PDEVICE_OBJECT TargetDevice) {
    TargetDevice->AttachedDevice = nullptr;
}
