// SELECT_CONFIGURATION through the bus: handles and pipe information filled
// in, SET_CONFIGURATION on the wire, unconfiguring, and the URBs it refuses.
#include <gtest/gtest.h>

#include "usb_bus_test.h"

namespace usbtest {
namespace {

class SelectConfiguration : public UsbBusTest {
  protected:
    // A select-configuration URB for `numbers` (alternate setting 0) of
    // configuration_; freed by the fixture.
    PURB request(std::initializer_list<LONG> numbers) {
        PUSB_CONFIGURATION_DESCRIPTOR configuration = asConfiguration(configuration_);
        list_.clear();
        for (LONG number : numbers) {
            list_.push_back({USBD_ParseConfigurationDescriptorEx(configuration, configuration,
                                                                 number, 0, -1, -1, -1),
                             nullptr});
        }
        list_.push_back({nullptr, nullptr});
        urb_ = USBD_CreateConfigurationRequestEx(configuration, list_.data());
        return urb_;
    }

    void TearDown() override {
        if (urb_ != nullptr) {
            ExFreePool(urb_);
        }
        UsbBusTest::TearDown();
    }

    std::vector<USBD_INTERFACE_LIST_ENTRY> list_;
    PURB urb_ = nullptr;
};

TEST_F(SelectConfiguration, FillsHandlesAndPipeInformation) {
    PURB urb = request({0});
    SentRequest sent(pdo(), urb);
    EXPECT_EQ(sent.callStatus(), STATUS_PENDING);
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_SUCCESS);
    EXPECT_EQ(urb->UrbHeader.Status, USBD_STATUS_SUCCESS);
    EXPECT_NE(urb->UrbSelectConfiguration.ConfigurationHandle, nullptr);

    const PUSBD_INTERFACE_INFORMATION info = list_[0].Interface;
    EXPECT_NE(info->InterfaceHandle, nullptr);
    EXPECT_EQ(info->Class, 0xFF);
    ASSERT_EQ(info->NumberOfPipes, 4U);
    const UCHAR addresses[] = {0x01, 0x81, 0x82, 0x83};
    for (ULONG i = 0; i < 4; ++i) {
        EXPECT_EQ(info->Pipes[i].EndpointAddress, addresses[i]);
        EXPECT_NE(info->Pipes[i].PipeHandle, nullptr);
    }
    EXPECT_EQ(info->Pipes[0].PipeType, UsbdPipeTypeBulk);
    EXPECT_EQ(info->Pipes[0].MaximumPacketSize, 512);
    EXPECT_EQ(info->Pipes[3].PipeType, UsbdPipeTypeInterrupt);
    EXPECT_EQ(info->Pipes[3].MaximumPacketSize, 16);
    EXPECT_EQ(info->Pipes[3].Interval, 4);
    EXPECT_NE(info->Pipes[0].PipeHandle, info->Pipes[1].PipeHandle);

    EXPECT_EQ(device_->configurationValue(), 1);
    EXPECT_EQ(device_->setConfigurationCount(), 1);
}

TEST_F(SelectConfiguration, CompletesOnTheBusThreadAtDispatchLevel) {
    SentRequest sent(pdo(), request({0}));
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.completionIrql(), DISPATCH_LEVEL);
    EXPECT_NE(sent.completionThread(), std::this_thread::get_id());
    EXPECT_TRUE(sent.pendingReturned());
}

TEST_F(SelectConfiguration, InterfacesNumberedZeroAndTwo) {
    configuration_ = finishConfiguration({configurationHeader(2), interfaceDescriptor(0, 0, 1),
                                          endpointDescriptor(0x81, USB_ENDPOINT_TYPE_BULK),
                                          interfaceDescriptor(2, 0, 2),
                                          endpointDescriptor(0x02, USB_ENDPOINT_TYPE_BULK),
                                          endpointDescriptor(0x82, USB_ENDPOINT_TYPE_BULK)});
    SentRequest sent(pdo(), request({0, 2}));
    ASSERT_TRUE(sent.waitCompleted());
    ASSERT_EQ(sent.status(), STATUS_SUCCESS);
    EXPECT_EQ(list_[1].Interface->InterfaceNumber, 2);
    ASSERT_EQ(list_[1].Interface->NumberOfPipes, 2U);
    EXPECT_EQ(list_[1].Interface->Pipes[1].EndpointAddress, 0x82);
    EXPECT_NE(list_[0].Interface->InterfaceHandle, list_[1].Interface->InterfaceHandle);
}

TEST_F(SelectConfiguration, UnconfigureClosesThePipes) {
    configure();
    URB unconfigure = unconfigureUrb();
    {
        SentRequest sent(pdo(), &unconfigure);
        ASSERT_TRUE(sent.waitCompleted());
        EXPECT_EQ(sent.status(), STATUS_SUCCESS);
    }
    EXPECT_EQ(device_->configurationValue(), 0);
    std::uint8_t data[4] = {};
    URB transfer = bulkUrb(pipe(0x01), data, nullptr, sizeof data, 0);
    SentRequest sent(pdo(), &transfer);
    EXPECT_EQ(sent.callStatus(), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(transfer.UrbHeader.Status, USBD_STATUS_INVALID_PIPE_HANDLE);
}

TEST_F(SelectConfiguration, ConfiguringAgainMakesNewHandles) {
    configure();
    const USBD_PIPE_HANDLE old = pipe(0x81);
    configure();
    EXPECT_NE(pipe(0x81), old);
    URB transfer = bulkUrb(old, nullptr, nullptr, 0, USBD_SHORT_TRANSFER_OK);
    SentRequest sent(pdo(), &transfer);
    EXPECT_EQ(transfer.UrbHeader.Status, USBD_STATUS_INVALID_PIPE_HANDLE);
}

TEST_F(SelectConfiguration, PendingTransfersOfClosedPipesAreCancelled) {
    configure();
    std::uint8_t data[8];
    URB transfer = bulkUrb(pipe(0x81), data, nullptr, sizeof data, USBD_SHORT_TRANSFER_OK);
    SentRequest waiting(pdo(), &transfer);
    URB unconfigure = unconfigureUrb();
    SentRequest sent(pdo(), &unconfigure);
    ASSERT_TRUE(waiting.waitCompleted());
    EXPECT_EQ(waiting.status(), STATUS_CANCELLED);
    EXPECT_EQ(transfer.UrbHeader.Status, USBD_STATUS_CANCELED);
}

TEST_F(SelectConfiguration, UrbWithoutRoomForEveryInterfaceIsRefused) {
    configuration_ = finishConfiguration(
        {configurationHeader(2), interfaceDescriptor(0, 0, 0), interfaceDescriptor(1, 0, 0)});
    PURB urb = request({0});  // bNumInterfaces says 2
    SentRequest sent(pdo(), urb);
    EXPECT_EQ(sent.callStatus(), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(urb->UrbHeader.Status, USBD_STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(device_->setConfigurationCount(), 0);
}

TEST_F(SelectConfiguration, UnknownInterfaceIsRefused) {
    PURB urb = request({0});
    list_[0].Interface->InterfaceNumber = 5;
    SentRequest sent(pdo(), urb);
    EXPECT_EQ(sent.callStatus(), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(urb->UrbHeader.Status, USBD_STATUS_INTERFACE_NOT_FOUND);
}

TEST_F(SelectConfiguration, MissingEndpointDescriptorsAreRefused) {
    configuration_ = finishConfiguration({configurationHeader(1), interfaceDescriptor(0, 0, 3),
                                          endpointDescriptor(0x81, USB_ENDPOINT_TYPE_BULK)});
    PURB urb = request({0});
    SentRequest sent(pdo(), urb);
    EXPECT_EQ(sent.callStatus(), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(urb->UrbHeader.Status, USBD_STATUS_INAVLID_CONFIGURATION_DESCRIPTOR);
}

TEST_F(SelectConfiguration, UrbShorterThanItsHeaderIsRefused) {
    URB urb = unconfigureUrb();
    urb.UrbHeader.Length = sizeof(struct _URB_HEADER);
    SentRequest sent(pdo(), &urb);
    EXPECT_EQ(sent.callStatus(), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(urb.UrbHeader.Status, USBD_STATUS_INVALID_PARAMETER);
}

}  // namespace
}  // namespace usbtest
