// USBD_ParseConfigurationDescriptorEx and USBD_ParseDescriptors on
// descriptors that are odd, short or lying. Every buffer is an exact-size
// heap block, so AddressSanitizer catches a read past wTotalLength.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include <support/ledger_test.h>

#include "descriptor_bytes.h"

namespace usbtest {
namespace {

// The bytes in a block of exactly their size.
class ExactBuffer {
  public:
    explicit ExactBuffer(const Bytes& bytes)
        : size_(bytes.size()), data_(std::make_unique<std::uint8_t[]>(bytes.size())) {
        std::memcpy(data_.get(), bytes.data(), bytes.size());
    }
    PUSB_CONFIGURATION_DESCRIPTOR configuration() const {
        return reinterpret_cast<PUSB_CONFIGURATION_DESCRIPTOR>(data_.get());
    }
    std::uint8_t* at(std::size_t offset) const { return data_.get() + offset; }
    ULONG size() const { return static_cast<ULONG>(size_); }

  private:
    std::size_t size_;
    std::unique_ptr<std::uint8_t[]> data_;
};

PUSB_INTERFACE_DESCRIPTOR find(const ExactBuffer& buffer, LONG number, LONG alternate = -1,
                               LONG cls = -1, LONG subClass = -1, LONG protocol = -1) {
    return USBD_ParseConfigurationDescriptorEx(buffer.configuration(), buffer.configuration(),
                                               number, alternate, cls, subClass, protocol);
}

// Interfaces 0 and 2 (two alternate settings), no interface 1.
Bytes twoInterfaces() {
    return finishConfiguration({configurationHeader(2), interfaceDescriptor(0, 0, 1, 0xFF, 1, 2),
                                endpointDescriptor(0x81, USB_ENDPOINT_TYPE_BULK),
                                interfaceDescriptor(2, 0, 0, 0x0E, 1, 0),
                                interfaceDescriptor(2, 1, 1, 0x0E, 2, 0),
                                endpointDescriptor(0x82, USB_ENDPOINT_TYPE_ISOCHRONOUS)});
}

class UsbdParse : public LedgerTest {};

TEST_F(UsbdParse, FindsInterfacesNumberedZeroAndTwo) {
    const ExactBuffer buffer(twoInterfaces());
    const PUSB_INTERFACE_DESCRIPTOR zero = find(buffer, 0);
    ASSERT_NE(zero, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(zero), buffer.at(9));
    const PUSB_INTERFACE_DESCRIPTOR two = find(buffer, 2, 1);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->bInterfaceNumber, 2);
    EXPECT_EQ(two->bAlternateSetting, 1);
    EXPECT_EQ(find(buffer, 1), nullptr);
    EXPECT_EQ(find(buffer, 2, 2), nullptr);
}

TEST_F(UsbdParse, MinusOneMatchesAnything) {
    const ExactBuffer buffer(twoInterfaces());
    EXPECT_EQ(find(buffer, -1), find(buffer, 0));
    const PUSB_INTERFACE_DESCRIPTOR video = find(buffer, -1, -1, 0x0E, 2);
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->bAlternateSetting, 1);
    EXPECT_EQ(find(buffer, -1, -1, 0xFF, 1, 2), find(buffer, 0));
    EXPECT_EQ(find(buffer, -1, -1, 0xFF, 1, 3), nullptr);
}

TEST_F(UsbdParse, StartPositionSkipsWhatComesBefore) {
    const ExactBuffer buffer(twoInterfaces());
    const PUSB_INTERFACE_DESCRIPTOR first = find(buffer, 2);
    ASSERT_NE(first, nullptr);
    const PUSB_INTERFACE_DESCRIPTOR next = USBD_ParseConfigurationDescriptorEx(
        buffer.configuration(), reinterpret_cast<std::uint8_t*>(first) + first->bLength, 2, -1, -1,
        -1, -1);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->bAlternateSetting, 1);
    EXPECT_EQ(
        USBD_ParseConfigurationDescriptorEx(
            buffer.configuration(), reinterpret_cast<std::uint8_t*>(next) + 9, 0, -1, -1, -1, -1),
        nullptr);
}

TEST_F(UsbdParse, StopsAtZeroLength) {
    const ExactBuffer buffer(finishConfiguration(
        {configurationHeader(1), rawDescriptor(0, 0x24, {1, 2, 3}), interfaceDescriptor(0, 0, 0)}));
    EXPECT_EQ(find(buffer, 0), nullptr);
}

TEST_F(UsbdParse, NeverReadsPastTotalLength) {
    Bytes bytes = finishConfiguration(
        {configurationHeader(2), interfaceDescriptor(0, 0, 0), interfaceDescriptor(1, 0, 0)});
    // The second interface lies past wTotalLength, and the buffer ends there.
    setTotalLength(bytes, 18);
    bytes.resize(18);
    const ExactBuffer buffer(bytes);
    EXPECT_NE(find(buffer, 0), nullptr);
    EXPECT_EQ(find(buffer, 1), nullptr);
}

TEST_F(UsbdParse, DescriptorRunningPastTheEndIsNotReturned) {
    Bytes bytes = finishConfiguration({configurationHeader(1), interfaceDescriptor(0, 0, 0)});
    bytes.resize(bytes.size() - 4);  // bLength still says 9
    setTotalLength(bytes, static_cast<std::uint16_t>(bytes.size()));
    const ExactBuffer buffer(bytes);
    EXPECT_EQ(find(buffer, 0), nullptr);
}

TEST_F(UsbdParse, InterfaceDescriptorTooShortIsSkipped) {
    const ExactBuffer buffer(finishConfiguration(
        {configurationHeader(1), rawDescriptor(4, USB_INTERFACE_DESCRIPTOR_TYPE, {0, 0}),
         interfaceDescriptor(0, 1, 0)}));
    const PUSB_INTERFACE_DESCRIPTOR found = find(buffer, 0);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->bAlternateSetting, 1);
}

TEST_F(UsbdParse, MoreInterfacesAnnouncedThanPresent) {
    const ExactBuffer buffer(
        finishConfiguration({configurationHeader(3), interfaceDescriptor(0, 0, 0)}));
    EXPECT_NE(find(buffer, 0), nullptr);
    EXPECT_EQ(find(buffer, 1), nullptr);
    EXPECT_EQ(find(buffer, 2), nullptr);
}

TEST_F(UsbdParse, TotalLengthShorterThanTheHeaderFindsNothing) {
    Bytes bytes = finishConfiguration({configurationHeader(1), interfaceDescriptor(0, 0, 0)});
    setTotalLength(bytes, 1);
    const ExactBuffer buffer(bytes);
    EXPECT_EQ(find(buffer, 0), nullptr);
}

TEST_F(UsbdParse, ParseDescriptorsWalksByType) {
    const ExactBuffer buffer(twoInterfaces());
    PUSB_COMMON_DESCRIPTOR endpoint =
        USBD_ParseDescriptors(buffer.configuration(), buffer.size(), buffer.configuration(),
                              USB_ENDPOINT_DESCRIPTOR_TYPE);
    ASSERT_NE(endpoint, nullptr);
    EXPECT_EQ(reinterpret_cast<PUSB_ENDPOINT_DESCRIPTOR>(endpoint)->bEndpointAddress, 0x81);
    endpoint = USBD_ParseDescriptors(buffer.configuration(), buffer.size(),
                                     reinterpret_cast<std::uint8_t*>(endpoint) + 7,
                                     USB_ENDPOINT_DESCRIPTOR_TYPE);
    ASSERT_NE(endpoint, nullptr);
    EXPECT_EQ(reinterpret_cast<PUSB_ENDPOINT_DESCRIPTOR>(endpoint)->bEndpointAddress, 0x82);
    EXPECT_EQ(
        USBD_ParseDescriptors(buffer.configuration(), buffer.size(), buffer.at(buffer.size()), -1),
        nullptr);
}

TEST_F(UsbdParse, ParseDescriptorsRefusesAStartBeforeTheBuffer) {
    const ExactBuffer buffer(twoInterfaces());
    EXPECT_EQ(USBD_ParseDescriptors(buffer.at(9), buffer.size() - 9, buffer.at(0), -1), nullptr);
}

}  // namespace
}  // namespace usbtest
