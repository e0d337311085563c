// Values through the registry calls: ZwQueryValueKey's answers for every
// buffer size, types and bytes kept as set, and the calls' failure
// injection and IRQL rule.
#include <kernel/host_kernel.h>

#include <array>
#include <cstring>
#include <thread>

#include "registry_names.h"
#include "support/ledger_test.h"

namespace {

constexpr UCHAR kUntouched = 0xCD;

class RegistryValueTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        ASSERT_EQ(IoOpenDeviceRegistryKey(&device_, PLUGPLAY_REGKEY_DRIVER, STANDARD_RIGHTS_READ,
                                          driverKey_.out()),
                  STATUS_SUCCESS);
        KeyAttributes attributes(driverKey_.get(), u"Settings");
        ASSERT_EQ(ZwCreateKey(settings_.out(), KEY_ALL_ACCESS, attributes.get(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, nullptr),
                  STATUS_SUCCESS);
        path_ = host::registry().driverKeyPath(&device_) + "\\Settings";
    }
    void TearDown() override {
        settings_.close();
        driverKey_.close();
        LedgerTest::TearDown();
    }

    NTSTATUS set(std::u16string name, ULONG type, std::vector<UCHAR> bytes) {
        KeyName valueName(std::move(name));
        return ZwSetValueKey(settings_.get(), valueName.get(), 0, type, bytes.data(),
                             static_cast<ULONG>(bytes.size()));
    }

    // Queries into a buffer of `length` bytes filled with kUntouched.
    NTSTATUS query(std::u16string name, KEY_VALUE_INFORMATION_CLASS infoClass, ULONG length,
                   ULONG* resultLength) {
        buffer_.fill(kUntouched);
        KeyName valueName(std::move(name));
        return ZwQueryValueKey(settings_.get(), valueName.get(), infoClass,
                               length != 0 ? buffer_.data() : nullptr, length, resultLength);
    }

    const KEY_VALUE_PARTIAL_INFORMATION& partial() const {
        return *reinterpret_cast<const KEY_VALUE_PARTIAL_INFORMATION*>(buffer_.data());
    }

    DEVICE_OBJECT device_{};
    KeyHandle driverKey_, settings_;
    std::string path_;
    alignas(8) std::array<UCHAR, 64> buffer_{};
};

// Statuses for buffers of 0, 11, 12, 15, 16 and 20 bytes: T too small, O
// overflow (fixed part and the data that fits written), S success.
TEST_F(RegistryValueTest, PartialInformationAnswersEveryBufferSize) {
    static constexpr ULONG kLengths[] = {0, 11, 12, 15, 16, 20};
    const std::pair<ULONG, const char*> cases[] = {
        {2, "TTOSSS"}, {4, "TTOOSS"}, {6, "TTOOOS"}, {8, "TTOOOS"}, {9, "TTOOOO"}};
    for (const auto& [dataSize, expected] : cases) {
        std::vector<UCHAR> data(dataSize);
        for (ULONG i = 0; i < dataSize; ++i) {
            data[i] = static_cast<UCHAR>(0x10 + i);
        }
        ASSERT_EQ(set(u"Value", REG_BINARY, data), STATUS_SUCCESS);
        for (std::size_t i = 0; i < std::size(kLengths); ++i) {
            const ULONG length = kLengths[i];
            SCOPED_TRACE(testing::Message() << dataSize << " bytes, buffer " << length);
            ULONG resultLength = 0;
            const NTSTATUS status =
                query(u"Value", KeyValuePartialInformation, length, &resultLength);
            EXPECT_EQ(resultLength, 12 + dataSize);
            const char want = expected[i];
            EXPECT_EQ(status, want == 'T'   ? STATUS_BUFFER_TOO_SMALL
                              : want == 'O' ? STATUS_BUFFER_OVERFLOW
                                            : STATUS_SUCCESS);
            if (want == 'T') {
                EXPECT_EQ(buffer_[0], kUntouched);
                continue;
            }
            EXPECT_EQ(partial().TitleIndex, 0U);
            EXPECT_EQ(partial().Type, ULONG{REG_BINARY});
            EXPECT_EQ(partial().DataLength, dataSize);
            const ULONG copied = std::min(dataSize, length - 12);
            EXPECT_EQ(std::memcmp(partial().Data, data.data(), copied), 0);
            EXPECT_EQ(buffer_[12 + copied], kUntouched) << "written past the data or buffer";
        }
    }
}

TEST_F(RegistryValueTest, TheDriversDwordReadFitsItsTwentyByteBuffer) {
    ULONG exposure = 0x1234;
    KeyName name(u"Exposure");
    ASSERT_EQ(ZwSetValueKey(settings_.get(), name.get(), 0, REG_DWORD, &exposure, 4),
              STATUS_SUCCESS);
    ULONG resultLength = 0;
    ASSERT_EQ(query(u"EXPOSURE", KeyValuePartialInformation, 20, &resultLength), STATUS_SUCCESS);
    EXPECT_EQ(resultLength, 16U);
    EXPECT_EQ(partial().Type, ULONG{REG_DWORD});
    ULONG read = 0;
    std::memcpy(&read, partial().Data, sizeof(read));
    EXPECT_EQ(read, 0x1234U);
    EXPECT_EQ(host::registry().dword(path_, "Exposure"), 0x1234U);
}

TEST_F(RegistryValueTest, TypeAndBytesAreKeptAsSet) {
    ASSERT_EQ(set(u"Short", REG_DWORD, {1, 2, 3}), STATUS_SUCCESS);
    ASSERT_EQ(set(u"Empty", REG_SZ, {}), STATUS_SUCCESS);
    ASSERT_EQ(set(u"", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}), STATUS_SUCCESS);

    EXPECT_EQ(host::registry().value(path_, "Short"), (host::RegistryValue{REG_DWORD, {1, 2, 3}}));
    EXPECT_EQ(host::registry().dword(path_, "Short"), std::nullopt);  // not 4 bytes
    EXPECT_EQ(host::registry().value(path_, "Empty"), (host::RegistryValue{REG_SZ, {}}));
    ULONG resultLength = 0;
    ASSERT_EQ(query(u"", KeyValuePartialInformation, 20, &resultLength), STATUS_SUCCESS);
    EXPECT_EQ(partial().Type, ULONG{REG_QWORD});
    EXPECT_EQ(resultLength, 20U);
    EXPECT_EQ(host::registry().valueNames(path_), (std::vector<std::string>{"Short", "Empty", ""}));
}

TEST_F(RegistryValueTest, BasicAndFullInformationCarryTheStoredName) {
    ASSERT_EQ(set(u"Gain", REG_BINARY, {9, 8, 7}), STATUS_SUCCESS);
    ULONG resultLength = 0;
    ASSERT_EQ(query(u"GAIN", KeyValueBasicInformation, 64, &resultLength), STATUS_SUCCESS);
    const auto& basic = *reinterpret_cast<const KEY_VALUE_BASIC_INFORMATION*>(buffer_.data());
    EXPECT_EQ(resultLength, 12U + 8U);
    EXPECT_EQ(std::u16string(basic.Name, basic.NameLength / 2), u"Gain");

    ASSERT_EQ(query(u"gain", KeyValueFullInformation, 64, &resultLength), STATUS_SUCCESS);
    const auto& full = *reinterpret_cast<const KEY_VALUE_FULL_INFORMATION*>(buffer_.data());
    EXPECT_EQ(std::u16string(full.Name, full.NameLength / 2), u"Gain");
    EXPECT_EQ(full.DataOffset % 4, 0U);
    EXPECT_GE(full.DataOffset, 20U + 8U);
    EXPECT_EQ(resultLength, full.DataOffset + 3);
    EXPECT_EQ(buffer_[full.DataOffset + 2], 7);

    EXPECT_EQ(query(u"Gain", KeyValueFullInformation, 19, &resultLength), STATUS_BUFFER_TOO_SMALL);
}

TEST_F(RegistryValueTest, MissingAndDeletedValuesAreNotFound) {
    ULONG resultLength = 0;
    EXPECT_EQ(query(u"Missing", KeyValuePartialInformation, 20, &resultLength),
              STATUS_OBJECT_NAME_NOT_FOUND);
    ASSERT_EQ(set(u"Gain", REG_BINARY, {1}), STATUS_SUCCESS);
    KeyName name(u"GAIN");
    EXPECT_EQ(ZwDeleteValueKey(settings_.get(), name.get()), STATUS_SUCCESS);
    EXPECT_EQ(ZwDeleteValueKey(settings_.get(), name.get()), STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_FALSE(host::registry().value(path_, "Gain"));
}

TEST_F(RegistryValueTest, InjectedFailuresHitTheChosenCalls) {
    host::registry().failSetValue(STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(set(u"Gain", REG_BINARY, {1}), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_FALSE(host::registry().value(path_, "Gain"));

    host::registry().failCreateKey(STATUS_ACCESS_DENIED, 2);
    KeyHandle first, second, third;
    KeyAttributes attributes(driverKey_.get(), u"Settings");
    EXPECT_EQ(ZwCreateKey(first.out(), KEY_ALL_ACCESS, attributes.get(), 0, nullptr, 0, nullptr),
              STATUS_SUCCESS);
    EXPECT_EQ(ZwCreateKey(second.out(), KEY_ALL_ACCESS, attributes.get(), 0, nullptr, 0, nullptr),
              STATUS_ACCESS_DENIED);
    EXPECT_EQ(second.get(), nullptr);
    EXPECT_EQ(ZwCreateKey(third.out(), KEY_ALL_ACCESS, attributes.get(), 0, nullptr, 0, nullptr),
              STATUS_SUCCESS);

    host::registry().failCalls(host::RegistryCall::kOpenDeviceKey, STATUS_NO_SUCH_DEVICE);
    HANDLE none = nullptr;
    EXPECT_EQ(IoOpenDeviceRegistryKey(&device_, PLUGPLAY_REGKEY_DRIVER, KEY_READ, &none),
              STATUS_NO_SUCH_DEVICE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(host::openKernelHandles(), 4U);  // driver key, Settings, first, third

    host::registry().clearInjection();
    EXPECT_EQ(set(u"Gain", REG_BINARY, {1}), STATUS_SUCCESS);
    EXPECT_EQ(host::registry().calls(host::RegistryCall::kSetValue), 2U);
    EXPECT_EQ(host::registry().calls(host::RegistryCall::kCreateKey), 4U);
}

// Each thread works on its own value through its own handle; the two share
// the key, the handle table and the test-facing reads.
TEST_F(RegistryValueTest, ThreadsSetAndQueryTheSameKeyTogether) {
    auto work = [this](std::u16string name, ULONG base) {
        KeyHandle key;
        KeyAttributes attributes(driverKey_.get(), u"Settings");
        ASSERT_EQ(ZwOpenKey(key.out(), KEY_ALL_ACCESS, attributes.get()), STATUS_SUCCESS);
        KeyName valueName(std::move(name));
        for (ULONG i = 0; i < 200; ++i) {
            ULONG value = base + i;
            ASSERT_EQ(ZwSetValueKey(key.get(), valueName.get(), 0, REG_DWORD, &value, 4),
                      STATUS_SUCCESS);
            alignas(8) UCHAR answer[20];
            ULONG resultLength = 0;
            ASSERT_EQ(ZwQueryValueKey(key.get(), valueName.get(), KeyValuePartialInformation,
                                      answer, sizeof(answer), &resultLength),
                      STATUS_SUCCESS);
            host::registry().valueNames(path_);
        }
    };
    std::thread first(work, u"First", 1000);
    std::thread second(work, u"Second", 5000);
    first.join();
    second.join();
    EXPECT_EQ(host::registry().dword(path_, "First"), 1199U);
    EXPECT_EQ(host::registry().dword(path_, "Second"), 5199U);
}

TEST_F(RegistryValueTest, CallsAbovePassiveLevelAreViolations) {
    host::ScopedViolationRecorder recorder;
    KIRQL old;
    KeRaiseIrql(DISPATCH_LEVEL, &old);
    EXPECT_NE(set(u"Gain", REG_BINARY, {1}), STATUS_SUCCESS);
    ULONG resultLength = 0;
    EXPECT_NE(query(u"Gain", KeyValuePartialInformation, 20, &resultLength), STATUS_SUCCESS);
    KeyHandle key;
    KeyAttributes attributes(driverKey_.get(), u"Other");
    EXPECT_NE(ZwCreateKey(key.out(), KEY_ALL_ACCESS, attributes.get(), 0, nullptr, 0, nullptr),
              STATUS_SUCCESS);
    KeLowerIrql(old);

    EXPECT_TRUE(recorder.contains("ZwSetValueKey called above PASSIVE_LEVEL"));
    EXPECT_TRUE(recorder.contains("ZwQueryValueKey called above PASSIVE_LEVEL"));
    EXPECT_TRUE(recorder.contains("ZwCreateKey called above PASSIVE_LEVEL"));
    EXPECT_FALSE(host::registry().value(path_, "Gain"));
    EXPECT_EQ(key.get(), nullptr);
}

TEST_F(RegistryValueTest, CallAbovePassiveLevelStopsTheMachine) {
    EXPECT_DEATH(
        {
            KIRQL old;
            KeRaiseIrql(APC_LEVEL, &old);
            HANDLE key;
            IoOpenDeviceRegistryKey(&device_, PLUGPLAY_REGKEY_DRIVER, KEY_READ, &key);
        },
        "platform rule broken: IoOpenDeviceRegistryKey called above PASSIVE_LEVEL");
}

}  // namespace
