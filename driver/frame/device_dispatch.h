// The device's dispatch table for the streaming class: Add, Start and Stop,
// and the device descriptor the driver entry hands over.
//
// The class calls each at PASSIVE_LEVEL, one at a time for a device. The
// device mutex (KsAcquireDevice) is held only around bag additions and the
// creation of the filter factory.
//
//   | Event  | Device context          | Filter factory | Worker      | USB          |
//   |--------|-------------------------|----------------|-------------|--------------|
//   | Add    | created, defaults, bag  | -              | -           | -            |
//   | Start  | camera set up, settings | created (*)    | created (*) | configured   |
//   | Stop   | settings saved          | freed by class | kept in bag | unconfigured |
//   | Remove | freed with the bag      | -              | freed (bag) | -            |
//   (*) only when the device is not marked started.
#pragma once

#include "../platform/streaming.h"

extern const KSDEVICE_DESCRIPTOR kCameraDeviceDescriptor;

NTSTATUS NTAPI DeviceAdd(PKSDEVICE device);
NTSTATUS NTAPI DeviceStart(PKSDEVICE device, PIRP irp, PCM_RESOURCE_LIST translatedResources,
                           PCM_RESOURCE_LIST untranslatedResources);
void NTAPI DeviceStop(PKSDEVICE device, PIRP irp);
