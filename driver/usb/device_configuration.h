// Bringing the camera's USB function into use at device start and releasing
// it at device stop. Passive level, on the start and stop paths only, while
// no capture runs.
#pragma once

#include "usb_transport.h"

// Reads the device and configuration descriptors and selects the
// configuration with alternate setting 0 of every interface, keeping the
// first interface's pipes. A descriptor set that does not hold together
// (lengths that lie, fewer interfaces or endpoints than announced) fails
// with STATUS_DEVICE_DATA_ERROR without being read outside its bounds.
NTSTATUS ConfigureDevice(UsbTransport* transport);

// Frees what ConfigureDevice kept and puts the device into the
// unconfigured state. Safe to repeat.
NTSTATUS UnconfigureDevice(UsbTransport* transport);
