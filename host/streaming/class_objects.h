// The stand-in streaming class's own objects: the private structures around
// each KSDEVICE, KSFILTERFACTORY, KSFILTER and KSPIN it hands the driver,
// their bags, and the process-wide registry that maps a public object (or
// bag) back to its private structure.
//
// Ownership: a device owns its factories, a factory its filters, a filter
// its pins (all host memory, freed by the class). Structure is changed only
// under the device's dispatch lock (one class operation at a time per
// device); the registry has its own lock and may be read from any thread.
// Internal to host/streaming.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ks_api.h"

namespace host::streaming::detail {

struct FactoryInstance;
struct FilterInstance;
struct PinInstance;
struct PinStream;

// An object bag: items with their free functions and reference counts.
// Any thread at PASSIVE_LEVEL; its own lock.
class ObjectBag {
  public:
    ObjectBag();
    ~ObjectBag();
    ObjectBag(const ObjectBag&) = delete;
    ObjectBag& operator=(const ObjectBag&) = delete;

    KSOBJECT_BAG handle() { return this; }
    NTSTATUS add(PVOID item, PFNKSFREE free);
    // References left on the item; frees it when the last goes and `free`.
    ULONG remove(PVOID item, bool free);
    bool contains(PVOID item) const;
    std::size_t size() const;
    // Frees every item, newest first.
    void empty();

  private:
    struct Item {
        PVOID item;
        PFNKSFREE free;
        ULONG references;
    };
    static void release(const Item& item);
    mutable std::mutex mutex_;
    std::vector<Item> items_;
};

// The device mutex of KsAcquireDevice: not recursive.
class DeviceMutex {
  public:
    void acquire();
    void release();
    bool held() const;

  private:
    std::mutex mutex_;
    std::thread::id owner_;
    mutable std::mutex ownerLock_;
};

struct DeviceInstance {
    KSDEVICE ks{};
    ObjectBag bag;
    DeviceMutex deviceMutex;
    std::mutex dispatchLock;  // one class operation at a time on this device
    PDRIVER_OBJECT driver = nullptr;
    bool surpriseRemoved = false;
    std::vector<std::unique_ptr<FactoryInstance>> factories;
};

struct FactoryInstance {
    KSFILTERFACTORY ks{};
    ObjectBag bag;
    DeviceInstance* device = nullptr;
    std::u16string reference;  // as UTF-16 code units, whatever WCHAR is
    ULONG createItemFlags = 0;
    PFNKSFILTERFACTORYPOWER sleep = nullptr;
    PFNKSFILTERFACTORYPOWER wake = nullptr;
    std::vector<std::unique_ptr<FilterInstance>> filters;
};

struct FilterInstance {
    KSFILTER ks{};
    ObjectBag bag;
    FactoryInstance* factory = nullptr;
    std::vector<std::unique_ptr<PinInstance>> pins;
};

struct PinInstance {
    KSPIN ks{};
    ObjectBag bag;
    FilterInstance* filter = nullptr;
    // The connection format, 8-byte aligned, owned here.
    std::unique_ptr<LONGLONG[]> format;
    // Queue, processing and clock (pin_stream.h); shared with the threads
    // that use them outside the dispatch lock.
    std::shared_ptr<PinStream> stream;
};

// ---- Registry --------------------------------------------------------------
struct ObjectRecord {
    KSOBJECTTYPE type;
    void* instance;  // DeviceInstance*, FactoryInstance*, FilterInstance* or PinInstance*
};

void registerObject(const void* object, KSOBJECTTYPE type, void* instance);
void unregisterObject(const void* object);
bool findObject(const void* object, ObjectRecord& record);
bool isLiveBag(const ObjectBag* bag);
void noteBag(const ObjectBag* bag, bool live);

DeviceInstance* deviceOf(const ObjectRecord& record);
// The live instance behind a public pointer, or null.
FilterInstance* liveFilter(PKSFILTER filter);
PinInstance* livePin(PKSPIN pin);
DeviceInstance* liveDevice(PKSDEVICE device);
// Every live device, oldest first.
std::vector<DeviceInstance*> liveDevices();
void noteDevice(DeviceInstance* device, bool live);

}  // namespace host::streaming::detail
