// USBD_CreateConfigurationRequestEx: the URB's layout, the list entries
// pointing into it, its pool block.
#include <gtest/gtest.h>

#include <kernel/host_kernel.h>
#include <support/ledger_test.h>

#include "descriptor_bytes.h"

namespace usbtest {
namespace {

const ULONG kUsbdTag = host::poolTag("USBD");

Bytes twoInterfaceConfiguration() {
    return finishConfiguration({configurationHeader(2), interfaceDescriptor(0, 0, 2),
                                endpointDescriptor(0x01, USB_ENDPOINT_TYPE_BULK),
                                endpointDescriptor(0x81, USB_ENDPOINT_TYPE_BULK),
                                interfaceDescriptor(2, 3, 1),
                                endpointDescriptor(0x83, USB_ENDPOINT_TYPE_INTERRUPT, 8, 10)});
}

class CreateConfigurationRequest : public LedgerTest {};

TEST_F(CreateConfigurationRequest, LaysOutEveryInterfaceWithRoomForItsPipes) {
    Bytes bytes = twoInterfaceConfiguration();
    PUSB_CONFIGURATION_DESCRIPTOR configuration = asConfiguration(bytes);
    USBD_INTERFACE_LIST_ENTRY list[] = {
        {USBD_ParseConfigurationDescriptorEx(configuration, configuration, 0, 0, -1, -1, -1),
         nullptr},
        {USBD_ParseConfigurationDescriptorEx(configuration, configuration, 2, 3, -1, -1, -1),
         nullptr},
        {nullptr, nullptr}};
    PURB urb = USBD_CreateConfigurationRequestEx(configuration, list);
    ASSERT_NE(urb, nullptr);

    EXPECT_EQ(urb->UrbHeader.Function, URB_FUNCTION_SELECT_CONFIGURATION);
    EXPECT_EQ(urb->UrbHeader.Length, GET_SELECT_CONFIGURATION_REQUEST_SIZE(2, 3));
    EXPECT_EQ(urb->UrbSelectConfiguration.ConfigurationDescriptor, configuration);
    EXPECT_EQ(urb->UrbSelectConfiguration.ConfigurationHandle, nullptr);

    PUSBD_INTERFACE_INFORMATION first = list[0].Interface;
    EXPECT_EQ(first, &urb->UrbSelectConfiguration.Interface);
    EXPECT_EQ(first->Length, GET_USBD_INTERFACE_SIZE(2));
    EXPECT_EQ(first->InterfaceNumber, 0);
    EXPECT_EQ(first->AlternateSetting, 0);
    EXPECT_EQ(first->NumberOfPipes, 2U);
    EXPECT_EQ(first->Pipes[1].MaximumTransferSize, USBD_DEFAULT_MAXIMUM_TRANSFER_SIZE);

    PUSBD_INTERFACE_INFORMATION second = list[1].Interface;
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(second),
              reinterpret_cast<std::uint8_t*>(first) + first->Length);
    EXPECT_EQ(second->Length, GET_USBD_INTERFACE_SIZE(1));
    EXPECT_EQ(second->InterfaceNumber, 2);
    EXPECT_EQ(second->AlternateSetting, 3);
    EXPECT_EQ(second->NumberOfPipes, 1U);
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(second) + second->Length,
              reinterpret_cast<std::uint8_t*>(urb) + urb->UrbHeader.Length);

    EXPECT_EQ(host::poolLedger().liveBlocks(kUsbdTag), 1U);
    ExFreePool(urb);
    EXPECT_EQ(host::poolLedger().liveBlocks(kUsbdTag), 0U);
}

TEST_F(CreateConfigurationRequest, InterfaceWithoutEndpointsKeepsItsHeader) {
    Bytes bytes = finishConfiguration({configurationHeader(1), interfaceDescriptor(0, 0, 0)});
    PUSB_CONFIGURATION_DESCRIPTOR configuration = asConfiguration(bytes);
    USBD_INTERFACE_LIST_ENTRY list[] = {
        {USBD_ParseConfigurationDescriptorEx(configuration, configuration, 0, 0, -1, -1, -1),
         nullptr},
        {nullptr, nullptr}};
    PURB urb = USBD_CreateConfigurationRequestEx(configuration, list);
    ASSERT_NE(urb, nullptr);
    EXPECT_EQ(list[0].Interface->Length, offsetof(USBD_INTERFACE_INFORMATION, Pipes));
    EXPECT_EQ(list[0].Interface->NumberOfPipes, 0U);
    EXPECT_EQ(urb->UrbHeader.Length, GET_SELECT_CONFIGURATION_REQUEST_SIZE(1, 0));
    ExFreePool(urb);
}

TEST_F(CreateConfigurationRequest, EmptyListGivesNothing) {
    Bytes bytes = twoInterfaceConfiguration();
    USBD_INTERFACE_LIST_ENTRY list[] = {{nullptr, nullptr}};
    EXPECT_EQ(USBD_CreateConfigurationRequestEx(asConfiguration(bytes), list), nullptr);
}

TEST_F(CreateConfigurationRequest, ExhaustedPoolGivesNothing) {
    Bytes bytes = twoInterfaceConfiguration();
    PUSB_CONFIGURATION_DESCRIPTOR configuration = asConfiguration(bytes);
    USBD_INTERFACE_LIST_ENTRY list[] = {
        {USBD_ParseConfigurationDescriptorEx(configuration, configuration, 0, 0, -1, -1, -1),
         nullptr},
        {nullptr, nullptr}};
    host::poolLedger().failAllocationsWithTag(kUsbdTag);
    EXPECT_EQ(USBD_CreateConfigurationRequestEx(configuration, list), nullptr);
    EXPECT_EQ(list[0].Interface, nullptr);
}

}  // namespace
}  // namespace usbtest
