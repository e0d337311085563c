// The Windows kernel's basic types, status codes, IRQL levels and memory
// macros, for the Linux stand-in. Names and widths are the kernel's own
// (LLP64, as on Windows x64). Part of the driver-visible declarations that
// nt_kernel.h gathers: C++17, no standard containers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// ---- Scalars ---------------------------------------------------------------
typedef void VOID;
typedef void* PVOID;
typedef char CHAR, *PCHAR;
typedef char CCHAR;
typedef unsigned char UCHAR, *PUCHAR;
typedef short SHORT, CSHORT;
typedef unsigned short USHORT, *PUSHORT;
typedef int LONG, *PLONG;
typedef unsigned int ULONG, *PULONG;
typedef long long LONGLONG;
typedef unsigned long long ULONGLONG, ULONG64;
typedef std::size_t SIZE_T;
typedef std::intptr_t LONG_PTR;
typedef std::uintptr_t ULONG_PTR, *PULONG_PTR;
typedef unsigned char BOOLEAN, *PBOOLEAN;
// WCHAR is 16 bits, as on Windows, so UNICODE_STRING (lengths in bytes)
// has the kernel's layout. Driver literals are u"..." on the host.
typedef char16_t WCHAR, *PWCHAR, *PWSTR;
typedef const char16_t* PCWSTR;
typedef UCHAR KIRQL, *PKIRQL;
typedef LONG NTSTATUS;
typedef ULONG_PTR KSPIN_LOCK, *PKSPIN_LOCK;
typedef ULONG ACCESS_MASK;
typedef PVOID HANDLE, *PHANDLE;
typedef LONG KPRIORITY;

typedef union _LARGE_INTEGER {
    struct {
        ULONG LowPart;
        LONG HighPart;
    };
    struct {
        ULONG LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
} LARGE_INTEGER, *PLARGE_INTEGER;

typedef struct _UNICODE_STRING {
    USHORT Length;
    USHORT MaximumLength;
    PWSTR Buffer;
} UNICODE_STRING, *PUNICODE_STRING;

// The mode a request or a wait comes from. Drivers pass KernelMode.
typedef CCHAR KPROCESSOR_MODE;
typedef enum _MODE { KernelMode, UserMode, MaximumMode } MODE;

#define TRUE 1
#define FALSE 0
#define FORCEINLINE inline

// The calling convention of every call between a driver and the kernel:
// the kernel's exports, and the callbacks a driver hands over (dispatch,
// completion, cancel and thread start routines, the streaming class's
// dispatch tables and handlers). A driver built for Windows (the real
// kernel image) calls and is called with the Windows x64 convention, so
// on x86-64 the stand-in's side of every such call is ms_abi; a mismatch
// is a compile error (GCC and Clang refuse to convert a SysV function to
// an ms_abi function pointer). The driver's host build uses the same
// convention, so it exercises the same calls.
#if defined(__x86_64__)
#define NTAPI __attribute__((ms_abi))
#else
#define NTAPI
#endif

// The DDK's member alignment to pointer size (Windows x64: 8 bytes), which
// pads several ULONG members of IO_STACK_LOCATION's parameter blocks.
#define POINTER_ALIGNMENT __attribute__((aligned(8)))

#define FIELD_OFFSET(type, field) (static_cast<LONG>(offsetof(type, field)))
#define CONTAINING_RECORD(address, type, field) \
    (reinterpret_cast<type*>(reinterpret_cast<PCHAR>(address) - offsetof(type, field)))

// ---- Status codes ----------------------------------------------------------
#define NT_SUCCESS(Status) ((static_cast<NTSTATUS>(Status)) >= 0)
#define STATUS_SUCCESS (static_cast<NTSTATUS>(0x00000000L))
#define STATUS_WAIT_0 (static_cast<NTSTATUS>(0x00000000L))
#define STATUS_USER_APC (static_cast<NTSTATUS>(0x000000C0L))
#define STATUS_ALERTED (static_cast<NTSTATUS>(0x00000101L))
#define STATUS_TIMEOUT (static_cast<NTSTATUS>(0x00000102L))
#define STATUS_PENDING (static_cast<NTSTATUS>(0x00000103L))
#define STATUS_BUFFER_OVERFLOW (static_cast<NTSTATUS>(0x80000005L))
#define STATUS_DEVICE_BUSY (static_cast<NTSTATUS>(0x80000011L))
#define STATUS_UNSUCCESSFUL (static_cast<NTSTATUS>(0xC0000001L))
#define STATUS_NOT_IMPLEMENTED (static_cast<NTSTATUS>(0xC0000002L))
#define STATUS_INVALID_HANDLE (static_cast<NTSTATUS>(0xC0000008L))
#define STATUS_INVALID_PARAMETER (static_cast<NTSTATUS>(0xC000000DL))
#define STATUS_NO_SUCH_DEVICE (static_cast<NTSTATUS>(0xC000000EL))
#define STATUS_INVALID_DEVICE_REQUEST (static_cast<NTSTATUS>(0xC0000010L))
#define STATUS_MORE_PROCESSING_REQUIRED (static_cast<NTSTATUS>(0xC0000016L))
#define STATUS_NO_MEMORY (static_cast<NTSTATUS>(0xC0000017L))
#define STATUS_ACCESS_DENIED (static_cast<NTSTATUS>(0xC0000022L))
#define STATUS_BUFFER_TOO_SMALL (static_cast<NTSTATUS>(0xC0000023L))
#define STATUS_OBJECT_TYPE_MISMATCH (static_cast<NTSTATUS>(0xC0000024L))
#define STATUS_OBJECT_NAME_INVALID (static_cast<NTSTATUS>(0xC0000033L))
#define STATUS_OBJECT_NAME_NOT_FOUND (static_cast<NTSTATUS>(0xC0000034L))
#define STATUS_OBJECT_PATH_NOT_FOUND (static_cast<NTSTATUS>(0xC000003AL))
#define STATUS_OBJECT_PATH_SYNTAX_BAD (static_cast<NTSTATUS>(0xC000003BL))
#define STATUS_SHARING_VIOLATION (static_cast<NTSTATUS>(0xC0000043L))
#define STATUS_DELETE_PENDING (static_cast<NTSTATUS>(0xC0000056L))
#define STATUS_INSUFFICIENT_RESOURCES (static_cast<NTSTATUS>(0xC000009AL))
#define STATUS_DEVICE_DATA_ERROR (static_cast<NTSTATUS>(0xC000009CL))
#define STATUS_DEVICE_NOT_CONNECTED (static_cast<NTSTATUS>(0xC000009DL))
#define STATUS_DEVICE_NOT_READY (static_cast<NTSTATUS>(0xC00000A3L))
#define STATUS_IO_TIMEOUT (static_cast<NTSTATUS>(0xC00000B5L))
#define STATUS_NOT_SUPPORTED (static_cast<NTSTATUS>(0xC00000BBL))
#define STATUS_CANCELLED (static_cast<NTSTATUS>(0xC0000120L))
#define STATUS_ILLEGAL_FLOAT_CONTEXT (static_cast<NTSTATUS>(0xC000014AL))
#define STATUS_KEY_DELETED (static_cast<NTSTATUS>(0xC000017CL))
#define STATUS_CHILD_MUST_BE_VOLATILE (static_cast<NTSTATUS>(0xC0000181L))
#define STATUS_INVALID_DEVICE_STATE (static_cast<NTSTATUS>(0xC0000184L))
#define STATUS_INVALID_BUFFER_SIZE (static_cast<NTSTATUS>(0xC0000206L))
#define STATUS_DEVICE_REMOVED (static_cast<NTSTATUS>(0xC00002B6L))

// ---- Standard access rights -------------------------------------------------
#define DELETE 0x00010000L
#define READ_CONTROL 0x00020000L
#define WRITE_DAC 0x00040000L
#define WRITE_OWNER 0x00080000L
#define SYNCHRONIZE 0x00100000L
#define STANDARD_RIGHTS_REQUIRED 0x000F0000L
#define STANDARD_RIGHTS_READ READ_CONTROL
#define STANDARD_RIGHTS_WRITE READ_CONTROL
#define STANDARD_RIGHTS_EXECUTE READ_CONTROL
#define STANDARD_RIGHTS_ALL 0x001F0000L

// ---- IRQL levels -----------------------------------------------------------
#define PASSIVE_LEVEL 0
#define APC_LEVEL 1
#define DISPATCH_LEVEL 2
#define HIGH_LEVEL 15

// ---- Memory ----------------------------------------------------------------
#define RtlZeroMemory(Destination, Length) std::memset((Destination), 0, (Length))
#define RtlCopyMemory(Destination, Source, Length) std::memcpy((Destination), (Source), (Length))
#define RtlMoveMemory(Destination, Source, Length) std::memmove((Destination), (Source), (Length))
#define RtlFillMemory(Destination, Length, Fill) std::memset((Destination), (Fill), (Length))

// How many leading bytes of the two blocks are equal.
inline SIZE_T RtlCompareMemory(const VOID* Source1, const VOID* Source2, SIZE_T Length) {
    const auto* a = static_cast<const unsigned char*>(Source1);
    const auto* b = static_cast<const unsigned char*>(Source2);
    SIZE_T same = 0;
    while (same < Length && a[same] == b[same]) {
        ++same;
    }
    return same;
}
