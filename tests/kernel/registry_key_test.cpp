// The registry calls that open keys, as the driver uses them: its device's
// driver key, subkeys created one level at a time, names in any case, and
// the statuses Windows gives for missing, malformed and deleted keys.
#include <kernel/host_kernel.h>

#include "registry_names.h"
#include "support/ledger_test.h"

namespace {

class RegistryKeyTest : public LedgerTest {
  protected:
    NTSTATUS openDriverKey(KeyHandle& key, PDEVICE_OBJECT device = nullptr) {
        return IoOpenDeviceRegistryKey(device != nullptr ? device : &device_,
                                       PLUGPLAY_REGKEY_DRIVER, STANDARD_RIGHTS_READ, key.out());
    }
    static NTSTATUS create(HANDLE root, std::u16string name, KeyHandle& key,
                           ULONG* disposition = nullptr, ULONG options = REG_OPTION_NON_VOLATILE) {
        KeyAttributes attributes(root, std::move(name));
        return ZwCreateKey(key.out(), KEY_ALL_ACCESS, attributes.get(), 0, nullptr, options,
                           disposition);
    }
    static NTSTATUS open(HANDLE root, std::u16string name, KeyHandle& key) {
        KeyAttributes attributes(root, std::move(name));
        return ZwOpenKey(key.out(), KEY_READ, attributes.get());
    }
    static NTSTATUS setDword(HANDLE key, std::u16string name, ULONG value) {
        KeyName valueName(std::move(name));
        return ZwSetValueKey(key, valueName.get(), 0, REG_DWORD, &value, sizeof(value));
    }

    std::string settingsPath() { return host::registry().driverKeyPath(&device_) + "\\Settings"; }

    DEVICE_OBJECT device_{};
};

TEST_F(RegistryKeyTest, EachDeviceObjectGetsTheNextDriverKey) {
    DEVICE_OBJECT second{};
    const std::string classKey =
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
        "{ca3e7ab9-b4c3-4ae6-8251-579ef933890f}\\";
    KeyHandle first, other, again;
    ASSERT_EQ(openDriverKey(first), STATUS_SUCCESS);
    ASSERT_EQ(openDriverKey(other, &second), STATUS_SUCCESS);
    ASSERT_EQ(openDriverKey(again), STATUS_SUCCESS);

    EXPECT_EQ(host::registry().driverKeyPath(&device_), classKey + "0000");
    EXPECT_EQ(host::registry().driverKeyPath(&second), classKey + "0001");
    EXPECT_TRUE(host::registry().keyExists(classKey + "0000"));
    EXPECT_TRUE(host::registry().keyExists(classKey + "0001"));
    EXPECT_NE(first.get(), again.get());
    EXPECT_EQ(host::openKernelHandles(), 3U);
}

TEST_F(RegistryKeyTest, DeviceKeyAndAssignedKeysAreOpened) {
    host::registry().assignDriverKey(&device_, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Bayercam");
    KeyHandle driverKey, deviceKey;
    ASSERT_EQ(openDriverKey(driverKey), STATUS_SUCCESS);
    ASSERT_EQ(IoOpenDeviceRegistryKey(&device_, PLUGPLAY_REGKEY_DEVICE, KEY_READ, deviceKey.out()),
              STATUS_SUCCESS);
    ASSERT_EQ(setDword(driverKey.get(), u"Gain", 7), STATUS_SUCCESS);
    ASSERT_EQ(setDword(deviceKey.get(), u"Gain", 8), STATUS_SUCCESS);

    EXPECT_EQ(host::registry().dword("HKEY_LOCAL_MACHINE\\SOFTWARE\\Bayercam", "Gain"), 7U);
    EXPECT_EQ(host::registry().dword(host::registry().deviceKeyPath(&device_), "Gain"), 8U);
    EXPECT_TRUE(host::registry().deviceKeyPath(&device_).ends_with("\\0000\\Device Parameters"));

    HANDLE none = nullptr;
    EXPECT_EQ(IoOpenDeviceRegistryKey(&device_, PLUGPLAY_REGKEY_CURRENT_HWPROFILE, KEY_READ, &none),
              STATUS_INVALID_PARAMETER);
    EXPECT_EQ(none, nullptr);
}

TEST_F(RegistryKeyTest, CreateReportsNewThenExistingKey) {
    KeyHandle root, first, second;
    ASSERT_EQ(openDriverKey(root), STATUS_SUCCESS);
    ULONG disposition = 0;
    ASSERT_EQ(create(root.get(), u"Settings", first, &disposition), STATUS_SUCCESS);
    EXPECT_EQ(disposition, ULONG{REG_CREATED_NEW_KEY});
    ASSERT_EQ(setDword(first.get(), u"Exposure", 100), STATUS_SUCCESS);

    ASSERT_EQ(create(root.get(), u"SETTINGS", second, &disposition), STATUS_SUCCESS);
    EXPECT_EQ(disposition, ULONG{REG_OPENED_EXISTING_KEY});
    ASSERT_EQ(setDword(second.get(), u"EXPOSURE", 200), STATUS_SUCCESS);

    // One key, one value, named as first created.
    EXPECT_EQ(host::registry().subkeyNames(host::registry().driverKeyPath(&device_)),
              std::vector<std::string>{"Settings"});
    EXPECT_EQ(host::registry().valueNames(settingsPath()), std::vector<std::string>{"Exposure"});
    EXPECT_EQ(host::registry().dword(settingsPath(), "exposure"), 200U);
}

TEST_F(RegistryKeyTest, NestedKeysAreCreatedOnePartAtATime) {
    KeyHandle root, nested, parent, child;
    ASSERT_EQ(openDriverKey(root), STATUS_SUCCESS);
    EXPECT_EQ(create(root.get(), u"A\\B", nested), STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(nested.get(), nullptr);
    EXPECT_FALSE(host::registry().keyExists(host::registry().driverKeyPath(&device_) + "\\A"));

    ASSERT_EQ(create(root.get(), u"A", parent), STATUS_SUCCESS);
    ULONG disposition = 0;
    ASSERT_EQ(create(root.get(), u"a\\B", child, &disposition), STATUS_SUCCESS);
    EXPECT_EQ(disposition, ULONG{REG_CREATED_NEW_KEY});
    EXPECT_TRUE(host::registry().keyExists(host::registry().driverKeyPath(&device_) + "\\A\\b"));
}

TEST_F(RegistryKeyTest, MalformedAndMissingNamesFail) {
    KeyHandle root;
    ASSERT_EQ(openDriverKey(root), STATUS_SUCCESS);
    KeyHandle key;
    EXPECT_EQ(create(root.get(), u"A\\\\B", key), STATUS_OBJECT_NAME_INVALID);
    EXPECT_EQ(create(root.get(), u"A\\", key), STATUS_OBJECT_NAME_INVALID);
    EXPECT_EQ(create(root.get(), u"\\A", key), STATUS_OBJECT_PATH_SYNTAX_BAD);
    EXPECT_EQ(create(nullptr, u"Relative", key), STATUS_OBJECT_PATH_SYNTAX_BAD);
    EXPECT_EQ(create(nullptr, u"\\Device\\Camera", key), STATUS_OBJECT_PATH_NOT_FOUND);
    EXPECT_EQ(open(root.get(), u"Settings", key), STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(key.get(), nullptr);
    EXPECT_EQ(host::openKernelHandles(), 1U);
}

TEST_F(RegistryKeyTest, AbsoluteNamesReachTheSameKeys) {
    host::registry().setDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor", "Level", 3);
    KeyHandle key, hive, created;
    ASSERT_EQ(open(nullptr, u"\\Registry\\Machine\\software\\VENDOR", key), STATUS_SUCCESS);
    ASSERT_EQ(setDword(key.get(), u"Other", 4), STATUS_SUCCESS);
    EXPECT_EQ(host::registry().dword("HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor", "Other"), 4U);

    // The hives are mount points: no keys or values of the driver's there.
    ASSERT_EQ(open(nullptr, u"\\REGISTRY\\MACHINE", hive), STATUS_SUCCESS);
    EXPECT_EQ(setDword(hive.get(), u"Level", 1), STATUS_ACCESS_DENIED);
    EXPECT_EQ(create(hive.get(), u"NewHive", created), STATUS_ACCESS_DENIED);
}

TEST_F(RegistryKeyTest, VolatileKeysHoldOnlyVolatileChildren) {
    KeyHandle root, scratch, stored, temporary;
    ASSERT_EQ(openDriverKey(root), STATUS_SUCCESS);
    ASSERT_EQ(create(root.get(), u"Scratch", scratch, nullptr, REG_OPTION_VOLATILE),
              STATUS_SUCCESS);
    EXPECT_EQ(create(scratch.get(), u"Stored", stored), STATUS_CHILD_MUST_BE_VOLATILE);
    EXPECT_EQ(create(scratch.get(), u"Temp", temporary, nullptr, REG_OPTION_VOLATILE),
              STATUS_SUCCESS);
}

TEST_F(RegistryKeyTest, HandlesThatAreNotOpenKeysAreRefused) {
    KeyHandle root, key;
    ASSERT_EQ(openDriverKey(root), STATUS_SUCCESS);
    const HANDLE stale = root.get();
    ASSERT_EQ(ZwClose(stale), STATUS_SUCCESS);
    *root.out() = nullptr;

    EXPECT_EQ(create(stale, u"Settings", key), STATUS_INVALID_HANDLE);
    EXPECT_EQ(setDword(stale, u"Gain", 1), STATUS_INVALID_HANDLE);
    EXPECT_EQ(setDword(nullptr, u"Gain", 1), STATUS_INVALID_HANDLE);
    EXPECT_EQ(host::openKernelHandles(), 0U);
}

TEST_F(RegistryKeyTest, KeyDeletedUnderAnOpenHandleReportsIt) {
    KeyHandle root, settings, child;
    ASSERT_EQ(openDriverKey(root), STATUS_SUCCESS);
    ASSERT_EQ(create(root.get(), u"Settings", settings), STATUS_SUCCESS);
    ASSERT_TRUE(host::registry().deleteKey(settingsPath()));

    EXPECT_EQ(setDword(settings.get(), u"Gain", 1), STATUS_KEY_DELETED);
    EXPECT_EQ(create(settings.get(), u"Child", child), STATUS_KEY_DELETED);
    EXPECT_FALSE(host::registry().keyExists(settingsPath()));
}

TEST_F(RegistryKeyTest, KeyHandlesCountAsKernelHandlesUntilClosedOrReset) {
    KeyHandle root;
    ASSERT_EQ(openDriverKey(root), STATUS_SUCCESS);
    HANDLE leaked = nullptr;
    KeyAttributes attributes(root.get(), u"Settings");
    ASSERT_EQ(ZwCreateKey(&leaked, KEY_ALL_ACCESS, attributes.get(), 0, nullptr, 0, nullptr),
              STATUS_SUCCESS);
    EXPECT_EQ(host::openKernelHandles(), 2U);

    // A key handle is no thread: it cannot be referenced as one.
    PVOID object = nullptr;
    EXPECT_EQ(
        ObReferenceObjectByHandle(leaked, SYNCHRONIZE, *PsThreadType, KernelMode, &object, nullptr),
        STATUS_OBJECT_TYPE_MISMATCH);

    // What LedgerTest's TearDown would report, and then clean up.
    host::resetKernelForTest();
    *root.out() = nullptr;
    EXPECT_EQ(host::openKernelHandles(), 0U);
    EXPECT_FALSE(host::registry().keyExists(settingsPath()));
}

TEST_F(RegistryKeyTest, ResetForgetsContentsDeviceKeysAndInjection) {
    DEVICE_OBJECT second{};
    host::registry().driverKeyPath(&second);  // second takes 0000
    host::registry().setDword(settingsPath(), "Gain", 1);
    host::registry().failCalls(host::RegistryCall::kOpenDeviceKey, STATUS_UNSUCCESSFUL);

    host::resetKernelForTest();
    EXPECT_FALSE(host::registry().keyExists(settingsPath()));
    EXPECT_TRUE(host::registry().driverKeyPath(&device_).ends_with("\\0000"));
    KeyHandle root;
    EXPECT_EQ(openDriverKey(root), STATUS_SUCCESS);
    EXPECT_EQ(host::registry().calls(host::RegistryCall::kOpenDeviceKey), 1U);
}

TEST_F(RegistryKeyTest, RtlInitUnicodeStringCountsBytesAndTheTerminator) {
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, u"Settings");
    EXPECT_EQ(name.Length, 16);
    EXPECT_EQ(name.MaximumLength, 18);
    RtlInitUnicodeString(&name, nullptr);
    EXPECT_EQ(name.Length, 0);
    EXPECT_EQ(name.MaximumLength, 0);
    EXPECT_EQ(name.Buffer, nullptr);
}

}  // namespace
