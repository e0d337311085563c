// Requests and automation tables (ks.h): KSIDENTIFIER and its aliases,
// the KSPROPERTY_TYPE_* flags, property/method/event items and sets, and
// the KSAUTOMATION_TABLE a filter or pin descriptor points to, with the
// DEFINE_KS* helper macros. Layouts are Windows x64's (checked in
// ks_layout.cpp). Part of the driver-visible declarations that ks_api.h
// gathers.
#pragma once

#include "ks_nt_extras.h"

#define IOCTL_KS_PROPERTY CTL_CODE(FILE_DEVICE_KS, 0x000, METHOD_NEITHER, FILE_ANY_ACCESS)
#define IOCTL_KS_ENABLE_EVENT CTL_CODE(FILE_DEVICE_KS, 0x001, METHOD_NEITHER, FILE_ANY_ACCESS)
#define IOCTL_KS_DISABLE_EVENT CTL_CODE(FILE_DEVICE_KS, 0x002, METHOD_NEITHER, FILE_ANY_ACCESS)
#define IOCTL_KS_METHOD CTL_CODE(FILE_DEVICE_KS, 0x003, METHOD_NEITHER, FILE_ANY_ACCESS)

typedef struct {
    union {
        struct {
            GUID Set;
            ULONG Id;
            ULONG Flags;
        };
        LONGLONG Alignment;
    };
} KSIDENTIFIER, *PKSIDENTIFIER;

typedef KSIDENTIFIER KSPROPERTY, *PKSPROPERTY, KSMETHOD, *PKSMETHOD, KSEVENT, *PKSEVENT;

#define KSPROPERTY_TYPE_GET 0x00000001
#define KSPROPERTY_TYPE_SET 0x00000002
#define KSPROPERTY_TYPE_SETSUPPORT 0x00000100
#define KSPROPERTY_TYPE_BASICSUPPORT 0x00000200
#define KSPROPERTY_TYPE_RELATIONS 0x00000400
#define KSPROPERTY_TYPE_SERIALIZESET 0x00000800
#define KSPROPERTY_TYPE_UNSERIALIZESET 0x00001000
#define KSPROPERTY_TYPE_SERIALIZERAW 0x00002000
#define KSPROPERTY_TYPE_UNSERIALIZERAW 0x00004000
#define KSPROPERTY_TYPE_SERIALIZESIZE 0x00008000
#define KSPROPERTY_TYPE_DEFAULTVALUES 0x00010000
#define KSPROPERTY_TYPE_TOPOLOGY 0x10000000

#define KSMETHOD_TYPE_NONE 0x00000000
#define KSMETHOD_TYPE_SEND 0x00000001
#define KSMETHOD_TYPE_SETSUPPORT 0x00000100
#define KSMETHOD_TYPE_BASICSUPPORT 0x00000200

typedef struct {
    KSPROPERTY Property;
    ULONG NodeId;
    ULONG Reserved;
} KSP_NODE, *PKSP_NODE;

typedef struct {
    ULONG Size;
    ULONG Count;
} KSMULTIPLE_ITEM, *PKSMULTIPLE_ITEM;

// What a basic-support request returns when the item has no values list.
typedef struct {
    ULONG AccessFlags;
    ULONG DescriptionSize;
    KSIDENTIFIER PropTypeSet;
    ULONG MembersListCount;
    ULONG Reserved;
} KSPROPERTY_DESCRIPTION, *PKSPROPERTY_DESCRIPTION;

#define KSPROPERTY_MEMBER_RANGES 0x00000001
#define KSPROPERTY_MEMBER_STEPPEDRANGES 0x00000002
#define KSPROPERTY_MEMBER_VALUES 0x00000003
#define KSPROPERTY_MEMBER_FLAG_DEFAULT 0x00000001

typedef struct {
    ULONG MembersFlags;
    ULONG MembersSize;
    ULONG MembersCount;
    ULONG Flags;
} KSPROPERTY_MEMBERSHEADER, *PKSPROPERTY_MEMBERSHEADER;

typedef union {
    struct {
        LONG SignedMinimum;
        LONG SignedMaximum;
    };
    struct {
        ULONG UnsignedMinimum;
        ULONG UnsignedMaximum;
    };
} KSPROPERTY_BOUNDS_LONG, *PKSPROPERTY_BOUNDS_LONG;

typedef struct {
    ULONG SteppingDelta;
    ULONG Reserved;
    KSPROPERTY_BOUNDS_LONG Bounds;
} KSPROPERTY_STEPPING_LONG, *PKSPROPERTY_STEPPING_LONG;

// ---- Handlers ------------------------------------------------------------
// A property, method or support handler: called at PASSIVE_LEVEL with the
// IRP, the request (the caller's KSPROPERTY and whatever follows it) and the
// data buffer, both in the class's system buffer.
typedef NTSTATUS(NTAPI* PFNKSHANDLER)(PIRP Irp, PKSIDENTIFIER Request, PVOID Data);
typedef BOOLEAN(NTAPI* PFNKSFASTHANDLER)(PFILE_OBJECT FileObject, PKSIDENTIFIER Request,
                                         ULONG RequestLength, PVOID Data, ULONG DataLength,
                                         PIO_STATUS_BLOCK IoStatus);

// ---- Properties ------------------------------------------------------------
typedef struct {
    KSPROPERTY_MEMBERSHEADER MembersHeader;
    const VOID* Members;
} KSPROPERTY_MEMBERSLIST, *PKSPROPERTY_MEMBERSLIST;

typedef struct {
    KSIDENTIFIER PropTypeSet;
    ULONG MembersListCount;
    const KSPROPERTY_MEMBERSLIST* MembersList;
} KSPROPERTY_VALUES, *PKSPROPERTY_VALUES;

typedef struct {
    ULONG PropertyId;
    union {
        PFNKSHANDLER GetPropertyHandler;
        BOOLEAN GetSupported;
    };
    ULONG MinProperty;
    ULONG MinData;
    union {
        PFNKSHANDLER SetPropertyHandler;
        BOOLEAN SetSupported;
    };
    const KSPROPERTY_VALUES* Values;
    ULONG RelationsCount;
    const KSPROPERTY* Relations;
    PFNKSHANDLER SupportHandler;
    ULONG SerializedSize;
} KSPROPERTY_ITEM, *PKSPROPERTY_ITEM;

typedef struct {
    ULONG PropertyId;
    union {
        PFNKSFASTHANDLER GetPropertyHandler;
        BOOLEAN GetSupported;
    };
    union {
        PFNKSFASTHANDLER SetPropertyHandler;
        BOOLEAN SetSupported;
    };
    ULONG Reserved;
} KSFASTPROPERTY_ITEM, *PKSFASTPROPERTY_ITEM;

typedef struct {
    const GUID* Set;
    ULONG PropertiesCount;
    const KSPROPERTY_ITEM* PropertyItem;
    ULONG FastIoCount;
    const KSFASTPROPERTY_ITEM* FastIoTable;
} KSPROPERTY_SET, *PKSPROPERTY_SET;

#define DEFINE_KSPROPERTY_TABLE(tablename) const KSPROPERTY_ITEM tablename[] =

// ks.h casts each handler with a C-style cast, so a table may name handlers
// typed for their own request and data (PKSPROPERTY, PULONG...). The helper
// does the same conversion without an old-style cast in driver code, but
// only for a handler of the handler's shape in the kernel's calling
// convention: one declared without NTAPI matches no overload, so the
// convention cannot be lost in the conversion.
namespace bayercam_ks_detail {
inline PFNKSHANDLER anyHandler(decltype(nullptr)) {
    return nullptr;
}
template <typename Request, typename Data>
inline PFNKSHANDLER anyHandler(NTSTATUS(NTAPI* handler)(PIRP, Request*, Data*)) {
    return reinterpret_cast<PFNKSHANDLER>(handler);
}
}  // namespace bayercam_ks_detail

#define DEFINE_KSPROPERTY_ITEM(PropertyId, GetHandler, MinProperty, MinData, SetHandler, Values, \
                               RelationsCount, Relations, SupportHandler, SerializedSize)        \
    {                                                                                            \
        PropertyId, {bayercam_ks_detail::anyHandler(GetHandler)}, MinProperty, MinData,          \
            {bayercam_ks_detail::anyHandler(SetHandler)}, Values, RelationsCount, Relations,     \
            bayercam_ks_detail::anyHandler(SupportHandler), static_cast<ULONG>(SerializedSize)   \
    }

#define DEFINE_KSPROPERTY_SET(Set, PropertiesCount, PropertyItem, FastIoCount, FastIoTable) \
    { Set, PropertiesCount, PropertyItem, FastIoCount, FastIoTable }

#define DEFINE_KSPROPERTY_SET_TABLE(tablename) const KSPROPERTY_SET tablename[] =

// ---- Methods ---------------------------------------------------------------
typedef struct {
    ULONG MethodId;
    union {
        PFNKSHANDLER MethodHandler;
        BOOLEAN MethodSupported;
    };
    ULONG MinMethod;
    ULONG MinData;
    PFNKSHANDLER SupportHandler;
    ULONG Flags;
} KSMETHOD_ITEM, *PKSMETHOD_ITEM;

typedef struct {
    ULONG MethodId;
    union {
        PFNKSFASTHANDLER MethodHandler;
        BOOLEAN MethodSupported;
    };
} KSFASTMETHOD_ITEM, *PKSFASTMETHOD_ITEM;

typedef struct {
    const GUID* Set;
    ULONG MethodsCount;
    const KSMETHOD_ITEM* MethodItem;
    ULONG FastIoCount;
    const KSFASTMETHOD_ITEM* FastIoTable;
} KSMETHOD_SET, *PKSMETHOD_SET;

// ---- Events ----------------------------------------------------------------
typedef struct _KSEVENT_ENTRY KSEVENT_ENTRY, *PKSEVENT_ENTRY;
typedef struct KSEVENTDATA_* PKSEVENTDATA;
typedef NTSTATUS(NTAPI* PFNKSADDEVENT)(PIRP Irp, PKSEVENTDATA EventData,
                                       struct _KSEVENT_ENTRY* EventEntry);
typedef VOID(NTAPI* PFNKSREMOVEEVENT)(PFILE_OBJECT FileObject, struct _KSEVENT_ENTRY* EventEntry);

typedef struct {
    ULONG EventId;
    ULONG DataInput;
    ULONG ExtraEntryData;
    PFNKSADDEVENT AddHandler;
    PFNKSREMOVEEVENT RemoveHandler;
    PFNKSHANDLER SupportHandler;
} KSEVENT_ITEM, *PKSEVENT_ITEM;

typedef struct {
    const GUID* Set;
    ULONG EventsCount;
    const KSEVENT_ITEM* EventItem;
} KSEVENT_SET, *PKSEVENT_SET;

// ---- Automation tables -----------------------------------------------------
typedef struct KSAUTOMATION_TABLE_ KSAUTOMATION_TABLE, *PKSAUTOMATION_TABLE;

struct KSAUTOMATION_TABLE_ {
    ULONG PropertySetsCount;
    ULONG PropertyItemSize;
    const KSPROPERTY_SET* PropertySets;
    ULONG MethodSetsCount;
    ULONG MethodItemSize;
    const KSMETHOD_SET* MethodSets;
    ULONG EventSetsCount;
    ULONG EventItemSize;
    const KSEVENT_SET* EventSets;
};

#define DEFINE_KSAUTOMATION_TABLE(table) const KSAUTOMATION_TABLE table =
#define DEFINE_KSAUTOMATION_PROPERTIES(table) \
    static_cast<ULONG>(SIZEOF_ARRAY(table)), sizeof(KSPROPERTY_ITEM), table
#define DEFINE_KSAUTOMATION_METHODS(table) \
    static_cast<ULONG>(SIZEOF_ARRAY(table)), sizeof(KSMETHOD_ITEM), table
#define DEFINE_KSAUTOMATION_EVENTS(table) \
    static_cast<ULONG>(SIZEOF_ARRAY(table)), sizeof(KSEVENT_ITEM), table
#define DEFINE_KSAUTOMATION_PROPERTIES_NULL 0, sizeof(KSPROPERTY_ITEM), nullptr
#define DEFINE_KSAUTOMATION_METHODS_NULL 0, sizeof(KSMETHOD_ITEM), nullptr
#define DEFINE_KSAUTOMATION_EVENTS_NULL 0, sizeof(KSEVENT_ITEM), nullptr
