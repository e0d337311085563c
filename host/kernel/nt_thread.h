// System threads and the object references that keep them alive:
// PsCreateSystemThread, PsTerminateSystemThread, handles (ZwClose) and
// ObReferenceObjectByHandle / ObDereferenceObject.
//
// The thread objects are opaque to the driver. A referenced thread object
// can be waited on (KeWaitForSingleObject) until the thread ends.
// Part of the driver-visible declarations that nt_kernel.h gathers.
#pragma once

#include "nt_base.h"

typedef struct _OBJECT_TYPE* POBJECT_TYPE;
typedef struct _KTHREAD *PKTHREAD, *PRKTHREAD;
typedef struct _ETHREAD* PETHREAD;
typedef struct _EPROCESS* PEPROCESS;

typedef struct _CLIENT_ID {
    HANDLE UniqueProcess;
    HANDLE UniqueThread;
} CLIENT_ID, *PCLIENT_ID;

typedef struct _OBJECT_ATTRIBUTES {
    ULONG Length;
    HANDLE RootDirectory;
    PUNICODE_STRING ObjectName;
    ULONG Attributes;
    PVOID SecurityDescriptor;
    PVOID SecurityQualityOfService;
} OBJECT_ATTRIBUTES, *POBJECT_ATTRIBUTES;

typedef struct _OBJECT_HANDLE_INFORMATION {
    ULONG HandleAttributes;
    ACCESS_MASK GrantedAccess;
} OBJECT_HANDLE_INFORMATION, *POBJECT_HANDLE_INFORMATION;

#define OBJ_INHERIT 0x00000002L
#define OBJ_CASE_INSENSITIVE 0x00000040L
#define OBJ_KERNEL_HANDLE 0x00000200L

#define InitializeObjectAttributes(p, n, a, r, s) \
    do {                                          \
        (p)->Length = sizeof(OBJECT_ATTRIBUTES);  \
        (p)->RootDirectory = (r);                 \
        (p)->Attributes = (a);                    \
        (p)->ObjectName = (n);                    \
        (p)->SecurityDescriptor = (s);            \
        (p)->SecurityQualityOfService = nullptr;  \
    } while (0)

#define THREAD_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFFF)

#define LOW_PRIORITY 0
#define LOW_REALTIME_PRIORITY 16
#define HIGH_PRIORITY 31

typedef VOID(NTAPI KSTART_ROUTINE)(PVOID StartContext);
typedef KSTART_ROUTINE* PKSTART_ROUTINE;

extern "C" {
// Use as *PsThreadType.
extern POBJECT_TYPE* PsThreadType;

NTSTATUS NTAPI PsCreateSystemThread(PHANDLE ThreadHandle, ULONG DesiredAccess,
                                    POBJECT_ATTRIBUTES ObjectAttributes, HANDLE ProcessHandle,
                                    PCLIENT_ID ClientId, PKSTART_ROUTINE StartRoutine,
                                    PVOID StartContext);
// Ends the calling system thread; does not return.
NTSTATUS NTAPI PsTerminateSystemThread(NTSTATUS ExitStatus);
PETHREAD NTAPI PsGetCurrentThread(VOID);
PKTHREAD NTAPI KeGetCurrentThread(VOID);
KPRIORITY NTAPI KeSetPriorityThread(PKTHREAD Thread, KPRIORITY Priority);

NTSTATUS NTAPI ObReferenceObjectByHandle(HANDLE Handle, ACCESS_MASK DesiredAccess,
                                         POBJECT_TYPE ObjectType, KPROCESSOR_MODE AccessMode,
                                         PVOID* Object,
                                         POBJECT_HANDLE_INFORMATION HandleInformation);
LONG_PTR NTAPI ObfReferenceObject(PVOID Object);
LONG_PTR NTAPI ObfDereferenceObject(PVOID Object);
NTSTATUS NTAPI ZwClose(HANDLE Handle);
}
#define ObReferenceObject(Object) ObfReferenceObject(Object)
#define ObDereferenceObject(Object) ObfDereferenceObject(Object)
