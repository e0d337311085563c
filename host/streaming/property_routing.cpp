#include "property_routing.h"

namespace host::streaming::detail {
namespace {

// Items are PropertyItemSize apart (a table may extend KSPROPERTY_ITEM).
const KSPROPERTY_ITEM* itemAt(const KSAUTOMATION_TABLE& table, const KSPROPERTY_SET& set,
                              ULONG index) {
    const ULONG stride =
        table.PropertyItemSize != 0 ? table.PropertyItemSize : ULONG{sizeof(KSPROPERTY_ITEM)};
    const auto* base = reinterpret_cast<const UCHAR*>(set.PropertyItem);
    return reinterpret_cast<const KSPROPERTY_ITEM*>(base + static_cast<SIZE_T>(index) * stride);
}

ULONG accessFlags(const KSPROPERTY_ITEM& item) {
    ULONG flags = KSPROPERTY_TYPE_BASICSUPPORT;
    if (item.GetPropertyHandler != nullptr) {
        flags |= KSPROPERTY_TYPE_GET;
    }
    if (item.SetPropertyHandler != nullptr) {
        flags |= KSPROPERTY_TYPE_SET;
    }
    return flags;
}

ULONG membersSize(const KSPROPERTY_VALUES* values) {
    ULONG size = 0;
    for (ULONG i = 0; values != nullptr && i < values->MembersListCount; ++i) {
        const KSPROPERTY_MEMBERSHEADER& header = values->MembersList[i].MembersHeader;
        size += static_cast<ULONG>(sizeof(KSPROPERTY_MEMBERSHEADER)) +
                header.MembersSize * header.MembersCount;
    }
    return size;
}

void writeMembers(const KSPROPERTY_VALUES& values, PUCHAR out) {
    for (ULONG i = 0; i < values.MembersListCount; ++i) {
        const KSPROPERTY_MEMBERSLIST& list = values.MembersList[i];
        std::memcpy(out, &list.MembersHeader, sizeof(KSPROPERTY_MEMBERSHEADER));
        out += sizeof(KSPROPERTY_MEMBERSHEADER);
        const ULONG bytes = list.MembersHeader.MembersSize * list.MembersHeader.MembersCount;
        std::memcpy(out, list.Members, bytes);
        out += bytes;
    }
}

}  // namespace

PropertyLookup findProperty(const std::vector<const KSAUTOMATION_TABLE*>& tables, const GUID& set,
                            ULONG id) {
    PropertyLookup lookup;
    for (const KSAUTOMATION_TABLE* table : tables) {
        for (ULONG s = 0; table != nullptr && s < table->PropertySetsCount; ++s) {
            const KSPROPERTY_SET& candidate = table->PropertySets[s];
            if (*candidate.Set != set) {
                continue;
            }
            lookup.setFound = true;
            for (ULONG i = 0; i < candidate.PropertiesCount; ++i) {
                const KSPROPERTY_ITEM* item = itemAt(*table, candidate, i);
                if (item->PropertyId == id) {
                    lookup.item = item;
                    return lookup;
                }
            }
        }
    }
    return lookup;
}

NTSTATUS defaultBasicSupport(const KSPROPERTY_ITEM& item, PVOID data, ULONG dataLength,
                             ULONG_PTR* information) {
    const ULONG full =
        static_cast<ULONG>(sizeof(KSPROPERTY_DESCRIPTION)) + membersSize(item.Values);
    if (dataLength == 0) {
        *information = full;
        return STATUS_BUFFER_OVERFLOW;
    }
    if (dataLength < sizeof(ULONG)) {
        *information = 0;
        return STATUS_BUFFER_TOO_SMALL;
    }
    if (dataLength < sizeof(KSPROPERTY_DESCRIPTION)) {
        *static_cast<PULONG>(data) = accessFlags(item);
        *information = sizeof(ULONG);
        return STATUS_SUCCESS;
    }
    KSPROPERTY_DESCRIPTION description{};
    description.AccessFlags = accessFlags(item);
    description.DescriptionSize = full;
    description.PropTypeSet.Set = KSPROPTYPESETID_General;
    if (item.Values != nullptr) {
        description.PropTypeSet = item.Values->PropTypeSet;
        description.MembersListCount = item.Values->MembersListCount;
    }
    std::memcpy(data, &description, sizeof description);
    *information = sizeof description;
    if (dataLength >= full && item.Values != nullptr) {
        writeMembers(*item.Values, static_cast<PUCHAR>(data) + sizeof description);
        *information = full;
    }
    return STATUS_SUCCESS;
}

}  // namespace host::streaming::detail
