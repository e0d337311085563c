// The fixture of the streaming-class tests: a stand-in physical device
// object for the toy minidriver's device to sit on, the toy's journal
// reset, and everything torn down (driver unloaded, PDO deleted, class
// faults cleared) before the ledger checks.
#pragma once

#include <memory>

#include <kernel/host_kernel.h>
#include <streaming/ks_client.h>
#include <streaming/streaming_host.h>

#include "support/ledger_test.h"
#include "toy_minidriver.h"

class StreamingTest : public LedgerTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the toy driver and adds its device; the device is not started.
    PKSDEVICE addDevice();
    // addDevice, then startDevice (expected to succeed).
    PKSDEVICE startedDevice();
    // An open filter on a started device.
    host::streaming::FilterHandle openToyFilter();

    std::unique_ptr<host::streaming::LoadedDriver> driver_;
    PKSDEVICE device_ = nullptr;
    PDRIVER_OBJECT busDriver_ = nullptr;
    PDEVICE_OBJECT pdo_ = nullptr;
};
