#include "usb_bus_test.h"

#include <thread>

namespace usbtest {

void UsbBusTest::SetUp() {
    LedgerTest::SetUp();
    device_ = std::make_unique<FakeUsbDevice>();
    bus_ = std::make_unique<host::usb::UsbBus>(*device_);
    ASSERT_NE(pdo(), nullptr);
}

void UsbBusTest::TearDown() {
    bus_.reset();
    device_.reset();
    LedgerTest::TearDown();
}

void UsbBusTest::configure() {
    PUSB_CONFIGURATION_DESCRIPTOR configuration = asConfiguration(configuration_);
    PUSB_INTERFACE_DESCRIPTOR interface =
        USBD_ParseConfigurationDescriptorEx(configuration, configuration, 0, 0, -1, -1, -1);
    ASSERT_NE(interface, nullptr);
    USBD_INTERFACE_LIST_ENTRY list[] = {{interface, nullptr}, {nullptr, nullptr}};
    PURB urb = USBD_CreateConfigurationRequestEx(configuration, list);
    ASSERT_NE(urb, nullptr);
    {
        SentRequest request(pdo(), urb);
        ASSERT_TRUE(request.waitCompleted());
        ASSERT_EQ(request.status(), STATUS_SUCCESS);
    }
    const PUSBD_INTERFACE_INFORMATION info = list[0].Interface;
    for (ULONG i = 0; i < info->NumberOfPipes; ++i) {
        pipes_[info->Pipes[i].EndpointAddress] = info->Pipes[i].PipeHandle;
    }
    ExFreePool(urb);
}

URB bulkUrb(USBD_PIPE_HANDLE pipe, PVOID buffer, PMDL mdl, ULONG length, ULONG flags) {
    URB urb{};
    UsbBuildInterruptOrBulkTransferRequest(&urb, sizeof(struct _URB_BULK_OR_INTERRUPT_TRANSFER),
                                           pipe, buffer, mdl, length, flags, nullptr);
    return urb;
}

URB descriptorUrb(UCHAR type, UCHAR index, PVOID buffer, ULONG length) {
    URB urb{};
    UsbBuildGetDescriptorRequest(&urb, sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST), type, index,
                                 0, buffer, nullptr, length, nullptr);
    return urb;
}

URB pipeRequestUrb(USHORT function, USBD_PIPE_HANDLE pipe) {
    URB urb{};
    urb.UrbHeader.Length = sizeof(struct _URB_PIPE_REQUEST);
    urb.UrbHeader.Function = function;
    urb.UrbPipeRequest.PipeHandle = pipe;
    return urb;
}

URB unconfigureUrb() {
    URB urb{};
    UsbBuildSelectConfigurationRequest(&urb, sizeof(struct _URB_SELECT_CONFIGURATION), nullptr);
    return urb;
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void settle() {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

}  // namespace usbtest
