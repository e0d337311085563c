// The stand-in registry: one tree of keys and values behind the registry
// calls of nt_registry.h, which tests fill, inspect, save and load, and
// whose calls they count and fail.
//
// Test paths are full key paths from a hive, with backslashes:
// "HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\...". Only HKEY_LOCAL_MACHINE
// and HKEY_USERS exist (the kernel sees them as \Registry\Machine and
// \Registry\User); the hives themselves hold no values. Names are UTF-8,
// compared case-insensitively; "" names a key's default value. A malformed
// path (other hive, empty component, not UTF-8) throws
// std::invalid_argument.
//
// Device keys: IoOpenDeviceRegistryKey opens, and creates when missing, a
// key per device object. At its first use (a kernel call or a path query
// below) a device object gets the next number N since the last reset, from
// 0000: its driver key is {ca3e7ab9-b4c3-4ae6-8251-579ef933890f}\N under
// HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class, and its
// device key HOST_DEVICE\N\Device Parameters under
// HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB.
// Device objects are told apart by address, so one created where a
// deleted one was keeps its keys, as a replugged device does.
//
// One process-wide object (registry()), never destroyed. Thread-safe: one
// mutex guards everything, and no call holds it while calling out.
// resetKernelForTest() calls reset() after closing every handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "nt_kernel.h"
#include "registry_injection.h"
#include "registry_key.h"
#include "registry_path.h"
#include "registry_value.h"

namespace host {

class Registry {
  public:
    using KeyRef = std::shared_ptr<detail::RegistryKey>;

    Registry();

    // ---- Test-facing: device keys -----------------------------------------
    std::string driverKeyPath(PDEVICE_OBJECT device);
    std::string deviceKeyPath(PDEVICE_OBJECT device);
    // Overrides the key the device's next IoOpenDeviceRegistryKey opens.
    void assignDriverKey(PDEVICE_OBJECT device, std::string_view keyPath);
    void assignDeviceKey(PDEVICE_OBJECT device, std::string_view keyPath);

    // ---- Test-facing: contents --------------------------------------------
    // Setting a value creates its key and the key's parents when missing.
    void setValue(std::string_view keyPath, std::string_view name, ULONG type,
                  std::vector<std::uint8_t> bytes);
    void setDword(std::string_view keyPath, std::string_view name, std::uint32_t value);
    // REG_SZ: the text as UTF-16LE with its terminating null.
    void setString(std::string_view keyPath, std::string_view name, std::string_view text);
    std::optional<RegistryValue> value(std::string_view keyPath, std::string_view name) const;
    // Only a REG_DWORD of exactly 4 bytes reads as a number.
    std::optional<std::uint32_t> dword(std::string_view keyPath, std::string_view name) const;
    bool keyExists(std::string_view keyPath) const;
    // Creates the key and any missing parents.
    void createKey(std::string_view keyPath);
    // Deletes the key with everything below it; false when it did not
    // exist. Handles still open to a deleted key get STATUS_KEY_DELETED.
    bool deleteKey(std::string_view keyPath);
    bool deleteValue(std::string_view keyPath, std::string_view name);
    // In the order the values were first set; empty for a missing key.
    std::vector<std::string> valueNames(std::string_view keyPath) const;
    // In case-insensitive order; empty for a missing key.
    std::vector<std::string> subkeyNames(std::string_view keyPath) const;
    // Empties both hives; keeps device numbering, injection and counts.
    void clear();

    // ---- Test-facing: .reg files (see reg_file_reader.h, reg_file_writer.h)
    // The whole registry in regedit's export format.
    std::string toRegText() const;
    // Writes toRegText() to a temporary file beside `path`, then renames it
    // over `path`. Throws std::runtime_error when the file cannot be written.
    void saveRegFile(const std::filesystem::path& path) const;
    // Imports a .reg file into the registry as regedit does: keys and values
    // are added or replaced, [-key] and "name"=- delete. All or nothing: a
    // malformed file throws std::runtime_error("line N: ...") and changes
    // nothing.
    void loadRegText(std::string_view fileBytes);
    void loadRegFile(const std::filesystem::path& path);

    // ---- Test-facing: failure injection and call counts -------------------
    // Fails the nth call of `call` from now (1-based) with `status`, or
    // every one when nth == 0. A failed call has no effect and returns no
    // handle.
    void failCalls(RegistryCall call, NTSTATUS status, std::size_t nth = 0);
    // The same for the calls a driver's settings code makes.
    void failOpenDeviceKey(NTSTATUS status, std::size_t nth = 0);
    void failCreateKey(NTSTATUS status, std::size_t nth = 0);
    void failSetValue(NTSTATUS status, std::size_t nth = 0);
    void clearInjection();
    // Calls made since the last reset, failed ones included.
    std::size_t calls(RegistryCall call) const;

    // Empties the registry, forgets device numbering and assignments,
    // clears injection and counts.
    void reset();

    // ---- Kernel-facing (registry_api.cpp, registry_value_api.cpp) ---------
    // Counts the call; the status to fail it with when injection says so.
    std::optional<NTSTATUS> onCall(RegistryCall call);
    NTSTATUS openDeviceKey(PDEVICE_OBJECT device, ULONG keyType, KeyRef* key);
    // `root` null: `path` starts at \Registry.
    NTSTATUS openKey(const KeyRef& root, const detail::KeyPath& path, KeyRef* key);
    NTSTATUS createKey(const KeyRef& root, const detail::KeyPath& path, bool volatileKey,
                       KeyRef* key, ULONG* disposition);
    NTSTATUS queryValue(const KeyRef& key, std::u16string_view name, detail::NamedValue* value);
    NTSTATUS setValue(const KeyRef& key, std::u16string_view name, RegistryValue value);
    NTSTATUS deleteValue(const KeyRef& key, std::u16string_view name);

  private:
    struct DeviceKeys {
        std::string driver;
        std::string device;
    };

    DeviceKeys& deviceKeysLocked(PDEVICE_OBJECT device);
    KeyRef findLocked(const KeyRef& from, const detail::KeyPath& path) const;
    KeyRef findLocked(std::string_view keyPath) const;
    KeyRef createWithParentsLocked(const detail::KeyPath& path);
    // \Registry and the hives: the kernel creates no keys and sets no
    // values directly in them.
    bool isMountPointLocked(const KeyRef& key) const;
    void emptyLocked();

    mutable std::mutex mutex_;
    KeyRef root_;  // \Registry
    std::unordered_map<PDEVICE_OBJECT, DeviceKeys> deviceKeys_;
    std::size_t devicesSeen_ = 0;
    RegistryInjection injection_;
};

Registry& registry();

}  // namespace host
