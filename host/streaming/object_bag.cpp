// Object bags on the stand-in: the ObjectBag class and the driver's calls
// KsAddItemToObjectBag, KsRemoveItemFromObjectBag and _KsEdit.
#include <algorithm>
#include <string>

#include <kernel/host_kernel.h>

#include "class_faults.h"
#include "class_objects.h"

namespace host::streaming::detail {

ObjectBag::ObjectBag() {
    noteBag(this, true);
}

ObjectBag::~ObjectBag() {
    empty();
    noteBag(this, false);
}

NTSTATUS ObjectBag::add(PVOID item, PFNKSFREE free) {
    std::lock_guard lock(mutex_);
    for (Item& held : items_) {
        if (held.item == item) {
            ++held.references;
            return STATUS_SUCCESS;
        }
    }
    items_.push_back(Item{item, free, 1});
    return STATUS_SUCCESS;
}

ULONG ObjectBag::remove(PVOID item, bool free) {
    Item removed{};
    {
        std::lock_guard lock(mutex_);
        auto found = std::find_if(items_.begin(), items_.end(),
                                  [item](const Item& held) { return held.item == item; });
        if (found == items_.end()) {
            return 0;
        }
        if (--found->references != 0) {
            return found->references;
        }
        removed = *found;
        items_.erase(found);
    }
    if (free) {
        release(removed);
    }
    return 0;
}

bool ObjectBag::contains(PVOID item) const {
    std::lock_guard lock(mutex_);
    return std::any_of(items_.begin(), items_.end(),
                       [item](const Item& held) { return held.item == item; });
}

std::size_t ObjectBag::size() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

// Free functions run without the bag's lock: they may use other bags.
void ObjectBag::empty() {
    std::vector<Item> items;
    {
        std::lock_guard lock(mutex_);
        items.swap(items_);
    }
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        release(*it);
    }
}

void ObjectBag::release(const Item& item) {
    if (item.free != nullptr) {
        item.free(item.item);
    } else {
        ExFreePool(item.item);
    }
}

}  // namespace host::streaming::detail

namespace {

using host::streaming::detail::ObjectBag;

// The bag behind a handle, or null after reporting the broken rule.
ObjectBag* bagFor(KSOBJECT_BAG ObjectBag_, const char* caller) {
    if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
        host::reportViolation(std::string(caller) + " called above PASSIVE_LEVEL");
        return nullptr;
    }
    auto* bag = static_cast<ObjectBag*>(ObjectBag_);
    if (!host::streaming::detail::isLiveBag(bag)) {
        host::reportViolation(std::string(caller) + ": not the bag of a live object");
        return nullptr;
    }
    return bag;
}

}  // namespace

extern "C" NTSTATUS NTAPI KsAddItemToObjectBag(KSOBJECT_BAG ObjectBag, PVOID Item, PFNKSFREE Free) {
    auto* bag = bagFor(ObjectBag, "KsAddItemToObjectBag");
    if (bag == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    const NTSTATUS injected = host::streaming::classFaults().nextBagAddStatus();
    if (!NT_SUCCESS(injected)) {
        return injected;
    }
    return bag->add(Item, Free);
}

extern "C" ULONG NTAPI KsRemoveItemFromObjectBag(KSOBJECT_BAG ObjectBag, PVOID Item, BOOLEAN Free) {
    auto* bag = bagFor(ObjectBag, "KsRemoveItemFromObjectBag");
    if (bag == nullptr) {
        return 0;
    }
    return bag->remove(Item, Free != FALSE);
}

// The copy is bagged before the old item leaves the bag, so a failure
// leaves the caller's pointer and the bag as they were.
extern "C" NTSTATUS NTAPI _KsEdit(KSOBJECT_BAG ObjectBag, PVOID* PointerToPointerToItem,
                                  ULONG NewSize, ULONG OldSize, ULONG Tag) {
    auto* bag = bagFor(ObjectBag, "_KsEdit");
    if (bag == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    PVOID old = *PointerToPointerToItem;
    auto* copy = static_cast<PUCHAR>(ExAllocatePoolWithTag(NonPagedPoolNx, NewSize, Tag));
    if (copy == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    std::memset(copy, 0, NewSize);
    if (old != nullptr) {
        std::memcpy(copy, old, std::min(NewSize, OldSize));
    }
    const NTSTATUS status = KsAddItemToObjectBag(ObjectBag, copy, nullptr);
    if (!NT_SUCCESS(status)) {
        ExFreePoolWithTag(copy, Tag);
        return status;
    }
    if (old != nullptr && bag->contains(old)) {
        bag->remove(old, true);
    }
    *PointerToPointerToItem = copy;
    return STATUS_SUCCESS;
}
