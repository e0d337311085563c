// The driver's entry point: hands the device descriptor to the streaming
// class, which from then on calls the device dispatch. No unload routine of
// its own; the class provides it.
#include "../platform/streaming.h"
#include "device_dispatch.h"

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driverObject, PUNICODE_STRING registryPath) {
    return KsInitializeDriver(driverObject, registryPath, &kCameraDeviceDescriptor);
}
