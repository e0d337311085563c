// The AVStream object model (ks.h): devices, filter factories, filters and
// pins, their descriptors, their dispatch tables and the minidriver
// callback types. The class owns every KSDEVICE, KSFILTERFACTORY, KSFILTER
// and KSPIN; the minidriver owns the descriptors and dispatch tables it
// hands over (static, they outlive every object made from them) and its
// Context pointers. Layouts are Windows x64's (checked in ks_layout.cpp).
// Part of the driver-visible declarations that ks_api.h gathers.
#pragma once

#include "ks_formats.h"

typedef struct _KSDEVICE_DESCRIPTOR KSDEVICE_DESCRIPTOR, *PKSDEVICE_DESCRIPTOR;
typedef struct _KSDEVICE_DISPATCH KSDEVICE_DISPATCH, *PKSDEVICE_DISPATCH;
typedef struct _KSDEVICE KSDEVICE, *PKSDEVICE;
typedef struct _KSFILTERFACTORY KSFILTERFACTORY, *PKSFILTERFACTORY;
typedef struct _KSFILTER_DESCRIPTOR KSFILTER_DESCRIPTOR, *PKSFILTER_DESCRIPTOR;
typedef struct _KSFILTER_DISPATCH KSFILTER_DISPATCH, *PKSFILTER_DISPATCH;
typedef struct _KSFILTER KSFILTER, *PKSFILTER;
typedef struct _KSPIN_DESCRIPTOR_EX KSPIN_DESCRIPTOR_EX, *PKSPIN_DESCRIPTOR_EX;
typedef struct _KSPIN_DISPATCH KSPIN_DISPATCH, *PKSPIN_DISPATCH;
typedef struct _KSCLOCK_DISPATCH KSCLOCK_DISPATCH, *PKSCLOCK_DISPATCH;
typedef struct _KSALLOCATOR_DISPATCH KSALLOCATOR_DISPATCH, *PKSALLOCATOR_DISPATCH;
typedef struct _KSPIN KSPIN, *PKSPIN;
typedef struct _KSNODE_DESCRIPTOR KSNODE_DESCRIPTOR, *PKSNODE_DESCRIPTOR;
typedef struct _KSSTREAM_POINTER_OFFSET KSSTREAM_POINTER_OFFSET, *PKSSTREAM_POINTER_OFFSET;
typedef struct _KSSTREAM_POINTER KSSTREAM_POINTER, *PKSSTREAM_POINTER;
typedef struct _KSMAPPING KSMAPPING, *PKSMAPPING;
typedef struct _KSPROCESSPIN KSPROCESSPIN, *PKSPROCESSPIN;
typedef struct _KSPROCESSPIN_INDEXENTRY KSPROCESSPIN_INDEXENTRY, *PKSPROCESSPIN_INDEXENTRY;

typedef struct {
    LONGLONG Granularity;
    LONGLONG Error;
} KSRESOLUTION, *PKSRESOLUTION;

typedef struct {
    GUID ProtocolId;
    PVOID Argument1;
    PVOID Argument2;
} KSHANDSHAKE, *PKSHANDSHAKE;

// An object's bag: items freed with the object (see KsAddItemToObjectBag).
typedef PVOID KSOBJECT_BAG;

// ---- Minidriver callbacks --------------------------------------------------
// All device, filter and pin callbacks below run at PASSIVE_LEVEL, one at a
// time per device, on the thread that caused them. Like every callback a
// driver hands the kernel they have the kernel's calling convention, so the
// driver declares its own with NTAPI (one without does not convert).
typedef NTSTATUS(NTAPI* PFNKSDEVICECREATE)(PKSDEVICE Device);
typedef NTSTATUS(NTAPI* PFNKSDEVICEPNPSTART)(PKSDEVICE Device, PIRP Irp,
                                             PCM_RESOURCE_LIST TranslatedResourceList,
                                             PCM_RESOURCE_LIST UntranslatedResourceList);
typedef NTSTATUS(NTAPI* PFNKSDEVICE)(PKSDEVICE Device);
typedef NTSTATUS(NTAPI* PFNKSDEVICEIRP)(PKSDEVICE Device, PIRP Irp);
typedef void(NTAPI* PFNKSDEVICEIRPVOID)(PKSDEVICE Device, PIRP Irp);
typedef NTSTATUS(NTAPI* PFNKSDEVICEQUERYCAPABILITIES)(PKSDEVICE Device, PIRP Irp,
                                                      PDEVICE_CAPABILITIES Capabilities);
typedef NTSTATUS(NTAPI* PFNKSDEVICEQUERYPOWER)(PKSDEVICE Device, PIRP Irp,
                                               DEVICE_POWER_STATE DeviceTo,
                                               DEVICE_POWER_STATE DeviceFrom,
                                               SYSTEM_POWER_STATE SystemTo,
                                               SYSTEM_POWER_STATE SystemFrom, POWER_ACTION Action);
typedef void(NTAPI* PFNKSDEVICESETPOWER)(PKSDEVICE Device, PIRP Irp, DEVICE_POWER_STATE To,
                                         DEVICE_POWER_STATE From);
typedef NTSTATUS(NTAPI* PFNKSFILTERFACTORYVOID)(PKSFILTERFACTORY FilterFactory);
typedef void(NTAPI* PFNKSFILTERFACTORYPOWER)(PKSFILTERFACTORY FilterFactory,
                                             DEVICE_POWER_STATE State);
typedef NTSTATUS(NTAPI* PFNKSFILTERIRP)(PKSFILTER Filter, PIRP Irp);
typedef NTSTATUS(NTAPI* PFNKSFILTERPROCESS)(PKSFILTER Filter, PKSPROCESSPIN_INDEXENTRY Index);
typedef NTSTATUS(NTAPI* PFNKSFILTERVOID)(PKSFILTER Filter);
typedef void(NTAPI* PFNKSFILTERPOWER)(PKSFILTER Filter, DEVICE_POWER_STATE State);
typedef NTSTATUS(NTAPI* PFNKSPINIRP)(PKSPIN Pin, PIRP Irp);
typedef NTSTATUS(NTAPI* PFNKSPINSETDEVICESTATE)(PKSPIN Pin, KSSTATE ToState, KSSTATE FromState);
typedef NTSTATUS(NTAPI* PFNKSPINSETDATAFORMAT)(PKSPIN Pin, PKSDATAFORMAT OldFormat,
                                               PKSMULTIPLE_ITEM OldAttributeList,
                                               const KSDATARANGE* DataRange,
                                               const KSATTRIBUTE_LIST* AttributeRange);
typedef NTSTATUS(NTAPI* PFNKSPINHANDSHAKE)(PKSPIN Pin, PKSHANDSHAKE In, PKSHANDSHAKE Out);
typedef NTSTATUS(NTAPI* PFNKSPIN)(PKSPIN Pin);
typedef void(NTAPI* PFNKSPINVOID)(PKSPIN Pin);
typedef void(NTAPI* PFNKSPINPOWER)(PKSPIN Pin, DEVICE_POWER_STATE State);
typedef BOOLEAN(NTAPI* PFNKSPINSETTIMER)(PKSPIN Pin, PKTIMER Timer, LARGE_INTEGER DueTime,
                                         PKDPC Dpc);
typedef BOOLEAN(NTAPI* PFNKSPINCANCELTIMER)(PKSPIN Pin, PKTIMER Timer);
typedef LONGLONG(FASTCALL* PFNKSPINCORRELATEDTIME)(PKSPIN Pin, LONGLONG* SystemTime);
typedef void(NTAPI* PFNKSPINRESOLUTION)(PKSPIN Pin, PKSRESOLUTION Resolution);
typedef NTSTATUS(NTAPI* PFNKSPININITIALIZEALLOCATOR)(PKSPIN Pin,
                                                     PKSALLOCATOR_FRAMING AllocatorFraming,
                                                     PVOID* Context);
typedef VOID(NTAPI* PFNKSDELETEALLOCATOR)(PVOID Context);
typedef PVOID(NTAPI* PFNKSDEFAULTALLOCATE)(PVOID Context);
typedef VOID(NTAPI* PFNKSDEFAULTFREE)(PVOID Context, PVOID Buffer);
typedef void(NTAPI* PFNKSSTREAMPOINTER)(PKSSTREAM_POINTER StreamPointer);
// The free function of an object-bag item; null means ExFreePool.
typedef void(NTAPI* PFNKSFREE)(PVOID Data);

// ---- Dispatch tables -------------------------------------------------------
struct _KSDEVICE_DISPATCH {
    PFNKSDEVICECREATE Add;
    PFNKSDEVICEPNPSTART Start;
    PFNKSDEVICE PostStart;
    PFNKSDEVICEIRP QueryStop;
    PFNKSDEVICEIRPVOID CancelStop;
    PFNKSDEVICEIRPVOID Stop;
    PFNKSDEVICEIRP QueryRemove;
    PFNKSDEVICEIRPVOID CancelRemove;
    PFNKSDEVICEIRPVOID Remove;
    PFNKSDEVICEQUERYCAPABILITIES QueryCapabilities;
    PFNKSDEVICEIRPVOID SurpriseRemoval;
    PFNKSDEVICEQUERYPOWER QueryPower;
    PFNKSDEVICESETPOWER SetPower;
    PFNKSDEVICEIRP QueryInterface;
};

struct _KSFILTER_DISPATCH {
    PFNKSFILTERIRP Create;
    PFNKSFILTERIRP Close;
    PFNKSFILTERPROCESS Process;
    PFNKSFILTERVOID Reset;
};

struct _KSPIN_DISPATCH {
    PFNKSPINIRP Create;
    PFNKSPINIRP Close;
    PFNKSPIN Process;
    PFNKSPINVOID Reset;
    PFNKSPINSETDATAFORMAT SetDataFormat;
    PFNKSPINSETDEVICESTATE SetDeviceState;
    PFNKSPIN Connect;
    PFNKSPINVOID Disconnect;
    const KSCLOCK_DISPATCH* Clock;
    const KSALLOCATOR_DISPATCH* Allocator;
};

struct _KSCLOCK_DISPATCH {
    PFNKSPINSETTIMER SetTimer;
    PFNKSPINCANCELTIMER CancelTimer;
    PFNKSPINCORRELATEDTIME CorrelatedTime;
    PFNKSPINRESOLUTION Resolution;
};

struct _KSALLOCATOR_DISPATCH {
    PFNKSPININITIALIZEALLOCATOR InitializeAllocator;
    PFNKSDELETEALLOCATOR DeleteAllocator;
    PFNKSDEFAULTALLOCATE Allocate;
    PFNKSDEFAULTFREE Free;
};

// ---- Descriptors -----------------------------------------------------------
#define KSDEVICE_DESCRIPTOR_VERSION (0x100)

struct _KSDEVICE_DESCRIPTOR {
    const KSDEVICE_DISPATCH* Dispatch;
    ULONG FilterDescriptorsCount;
    const KSFILTER_DESCRIPTOR* const* FilterDescriptors;
    ULONG Version;
};

#define KSFILTER_DESCRIPTOR_VERSION (static_cast<ULONG>(-1))
#define KSFILTER_FLAG_DISPATCH_LEVEL_PROCESSING 0x00000001
#define KSFILTER_FLAG_CRITICAL_PROCESSING 0x00000002
#define KSFILTER_FLAG_HYPERCRITICAL_PROCESSING 0x00000004
#define KSFILTER_FLAG_RECEIVE_ZERO_LENGTH_SAMPLES 0x00000008
#define KSFILTER_FLAG_DENY_USERMODE_ACCESS 0x80000000

struct _KSFILTER_DESCRIPTOR {
    const KSFILTER_DISPATCH* Dispatch;
    const KSAUTOMATION_TABLE* AutomationTable;
    ULONG Version;
    ULONG Flags;
    const GUID* ReferenceGuid;
    ULONG PinDescriptorsCount;
    ULONG PinDescriptorSize;
    const KSPIN_DESCRIPTOR_EX* PinDescriptors;
    ULONG CategoriesCount;
    const GUID* Categories;
    ULONG NodeDescriptorsCount;
    ULONG NodeDescriptorSize;
    const KSNODE_DESCRIPTOR* NodeDescriptors;
    ULONG ConnectionsCount;
    const KSTOPOLOGY_CONNECTION* Connections;
    const KSCOMPONENTID* ComponentId;
};

#define DEFINE_KSFILTER_DESCRIPTOR(descriptor) const KSFILTER_DESCRIPTOR descriptor =
#define DEFINE_KSFILTER_PIN_DESCRIPTORS(table) \
    static_cast<ULONG>(SIZEOF_ARRAY(table)), sizeof(table[0]), table
#define DEFINE_KSFILTER_CATEGORIES(table) static_cast<ULONG>(SIZEOF_ARRAY(table)), table
#define DEFINE_KSFILTER_CATEGORY(category) 1, &(category)
#define DEFINE_KSFILTER_CATEGORIES_NULL 0, nullptr
#define DEFINE_KSFILTER_NODE_DESCRIPTORS(table) \
    static_cast<ULONG>(SIZEOF_ARRAY(table)), sizeof(table[0]), table
#define DEFINE_KSFILTER_NODE_DESCRIPTORS_NULL 0, sizeof(KSNODE_DESCRIPTOR), nullptr
#define DEFINE_KSFILTER_CONNECTIONS(table) static_cast<ULONG>(SIZEOF_ARRAY(table)), table
#define DEFINE_KSFILTER_DEFAULT_CONNECTIONS 0, nullptr
#define DEFINE_KSFILTER_DESCRIPTOR_TABLE(table) const KSFILTER_DESCRIPTOR* const table[] =

#define KSPIN_FLAG_DISPATCH_LEVEL_PROCESSING KSFILTER_FLAG_DISPATCH_LEVEL_PROCESSING
#define KSPIN_FLAG_CRITICAL_PROCESSING KSFILTER_FLAG_CRITICAL_PROCESSING
#define KSPIN_FLAG_HYPERCRITICAL_PROCESSING KSFILTER_FLAG_HYPERCRITICAL_PROCESSING
#define KSPIN_FLAG_ASYNCHRONOUS_PROCESSING 0x00000008
#define KSPIN_FLAG_DO_NOT_INITIATE_PROCESSING 0x00000010
#define KSPIN_FLAG_INITIATE_PROCESSING_ON_EVERY_ARRIVAL 0x00000020
#define KSPIN_FLAG_FRAMES_NOT_REQUIRED_FOR_PROCESSING 0x00000040
#define KSPIN_FLAG_ENFORCE_FIFO 0x00000080
#define KSPIN_FLAG_GENERATE_MAPPINGS 0x00000100
#define KSPIN_FLAG_DISTINCT_TRAILING_EDGE 0x00000200
#define KSPIN_FLAG_PROCESS_IN_RUN_STATE_ONLY 0x00010000
#define KSPIN_FLAG_SPLITTER 0x00020000
#define KSPIN_FLAG_USE_STANDARD_TRANSPORT 0x00040000
#define KSPIN_FLAG_DO_NOT_USE_STANDARD_TRANSPORT 0x00080000
#define KSPIN_FLAG_FIXED_FORMAT 0x00100000
#define KSPIN_FLAG_GENERATE_EOS_EVENTS 0x00200000
#define KSPIN_FLAG_RENDERER (KSPIN_FLAG_PROCESS_IN_RUN_STATE_ONLY | KSPIN_FLAG_GENERATE_EOS_EVENTS)
#define KSPIN_FLAG_IMPLEMENT_CLOCK 0x00400000
#define KSPIN_FLAG_SOME_FRAMES_REQUIRED_FOR_PROCESSING 0x00800000
#define KSPIN_FLAG_PROCESS_IF_ANY_IN_RUN_STATE 0x01000000
#define KSPIN_FLAG_DENY_USERMODE_ACCESS 0x80000000

struct _KSPIN_DESCRIPTOR_EX {
    const KSPIN_DISPATCH* Dispatch;
    const KSAUTOMATION_TABLE* AutomationTable;
    KSPIN_DESCRIPTOR PinDescriptor;
    ULONG Flags;
    ULONG InstancesPossible;
    ULONG InstancesNecessary;
    const KSALLOCATOR_FRAMING_EX* AllocatorFraming;
    PFNKSINTERSECTHANDLEREX IntersectHandler;
};

#define DEFINE_KSPIN_DEFAULT_INTERFACES 0, nullptr
#define DEFINE_KSPIN_DEFAULT_MEDIUMS 0, nullptr

struct _KSNODE_DESCRIPTOR {
    const KSAUTOMATION_TABLE* AutomationTable;
    const GUID* Type;
    const GUID* Name;
};

#define DEFINE_NODE_DESCRIPTOR(automation, type, name) \
    { (automation), (type), (name) }

// ---- Objects (the class's; the minidriver reads them and owns Context) -----
struct _KSDEVICE {
    const KSDEVICE_DESCRIPTOR* Descriptor;
    KSOBJECT_BAG Bag;
    PVOID Context;
    PDEVICE_OBJECT FunctionalDeviceObject;
    PDEVICE_OBJECT PhysicalDeviceObject;
    PDEVICE_OBJECT NextDeviceObject;
    BOOLEAN Started;
    SYSTEM_POWER_STATE SystemPowerState;
    DEVICE_POWER_STATE DevicePowerState;
};

struct _KSFILTERFACTORY {
    const KSFILTER_DESCRIPTOR* FilterDescriptor;
    KSOBJECT_BAG Bag;
    PVOID Context;
};

struct _KSFILTER {
    const KSFILTER_DESCRIPTOR* Descriptor;
    KSOBJECT_BAG Bag;
    PVOID Context;
};

struct _KSPIN {
    const KSPIN_DESCRIPTOR_EX* Descriptor;
    KSOBJECT_BAG Bag;
    PVOID Context;
    ULONG Id;
    KSPIN_COMMUNICATION Communication;
    BOOLEAN ConnectionIsExternal;
    KSPIN_INTERFACE ConnectionInterface;
    KSPIN_MEDIUM ConnectionMedium;
    KSPRIORITY ConnectionPriority;
    PKSDATAFORMAT ConnectionFormat;
    PKSMULTIPLE_ITEM AttributeList;
    ULONG StreamHeaderSize;
    KSPIN_DATAFLOW DataFlow;
    KSSTATE DeviceState;
    KSRESET ResetState;
    KSSTATE ClientState;
};

typedef enum {
    KsObjectTypeDevice,
    KsObjectTypeFilterFactory,
    KsObjectTypeFilter,
    KsObjectTypePin
} KSOBJECTTYPE;

#define KSCREATE_ITEM_SECURITYCHANGED 0x00000001
#define KSCREATE_ITEM_WILDCARD 0x00000002
#define KSCREATE_ITEM_NOPARAMETERS 0x00000004
#define KSCREATE_ITEM_FREEONSTOP 0x00000008
