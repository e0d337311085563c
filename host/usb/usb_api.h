// The USB client-driver API of the Windows kernel (usb100.h/usbspec.h,
// usb.h, usbdi.h, usbdlib.h, usbioctl.h) for the Linux stand-in platform.
//
// Names, field names, values and layouts are Windows x64's own, so driver
// code that builds a URB, sends it down with IOCTL_INTERNAL_USB_SUBMIT_URB
// and reads the answer compiles unchanged against this header or against the
// DDK (checked at build time against the DDK: usb_layout_expectations.h).
// Only driver/platform/usb.h includes this file; the stand-in bus (host/usb)
// implements what is behind it: the USBD_* library calls below (NTAPI, as
// every kernel call) and the internal device controls.
//
// C++17 and Windows types only: the driver's host build sees this header.
// Macros cast with static_cast where the DDK casts C-style, so driver code
// that uses them stays clean under -Wold-style-cast.
#pragma once

#include <kernel/nt_kernel.h>

// ---- Descriptors, as on the wire (byte packed) -----------------------------
#pragma pack(push, 1)

typedef struct _USB_COMMON_DESCRIPTOR {
    UCHAR bLength;
    UCHAR bDescriptorType;
} USB_COMMON_DESCRIPTOR, *PUSB_COMMON_DESCRIPTOR;

typedef struct _USB_DEVICE_DESCRIPTOR {
    UCHAR bLength;
    UCHAR bDescriptorType;
    USHORT bcdUSB;
    UCHAR bDeviceClass;
    UCHAR bDeviceSubClass;
    UCHAR bDeviceProtocol;
    UCHAR bMaxPacketSize0;
    USHORT idVendor;
    USHORT idProduct;
    USHORT bcdDevice;
    UCHAR iManufacturer;
    UCHAR iProduct;
    UCHAR iSerialNumber;
    UCHAR bNumConfigurations;
} USB_DEVICE_DESCRIPTOR, *PUSB_DEVICE_DESCRIPTOR;

typedef struct _USB_CONFIGURATION_DESCRIPTOR {
    UCHAR bLength;
    UCHAR bDescriptorType;
    USHORT wTotalLength;
    UCHAR bNumInterfaces;
    UCHAR bConfigurationValue;
    UCHAR iConfiguration;
    UCHAR bmAttributes;
    UCHAR MaxPower;
} USB_CONFIGURATION_DESCRIPTOR, *PUSB_CONFIGURATION_DESCRIPTOR;

typedef struct _USB_INTERFACE_ASSOCIATION_DESCRIPTOR {
    UCHAR bLength;
    UCHAR bDescriptorType;
    UCHAR bFirstInterface;
    UCHAR bInterfaceCount;
    UCHAR bFunctionClass;
    UCHAR bFunctionSubClass;
    UCHAR bFunctionProtocol;
    UCHAR iFunction;
} USB_INTERFACE_ASSOCIATION_DESCRIPTOR, *PUSB_INTERFACE_ASSOCIATION_DESCRIPTOR;

typedef struct _USB_INTERFACE_DESCRIPTOR {
    UCHAR bLength;
    UCHAR bDescriptorType;
    UCHAR bInterfaceNumber;
    UCHAR bAlternateSetting;
    UCHAR bNumEndpoints;
    UCHAR bInterfaceClass;
    UCHAR bInterfaceSubClass;
    UCHAR bInterfaceProtocol;
    UCHAR iInterface;
} USB_INTERFACE_DESCRIPTOR, *PUSB_INTERFACE_DESCRIPTOR;

typedef struct _USB_ENDPOINT_DESCRIPTOR {
    UCHAR bLength;
    UCHAR bDescriptorType;
    UCHAR bEndpointAddress;
    UCHAR bmAttributes;
    USHORT wMaxPacketSize;
    UCHAR bInterval;
} USB_ENDPOINT_DESCRIPTOR, *PUSB_ENDPOINT_DESCRIPTOR;

#pragma pack(pop)

#define USB_DEVICE_DESCRIPTOR_TYPE 0x01
#define USB_CONFIGURATION_DESCRIPTOR_TYPE 0x02
#define USB_STRING_DESCRIPTOR_TYPE 0x03
#define USB_INTERFACE_DESCRIPTOR_TYPE 0x04
#define USB_ENDPOINT_DESCRIPTOR_TYPE 0x05
#define USB_DEVICE_QUALIFIER_DESCRIPTOR_TYPE 0x06
#define USB_OTHER_SPEED_CONFIGURATION_DESCRIPTOR_TYPE 0x07
#define USB_INTERFACE_POWER_DESCRIPTOR_TYPE 0x08
#define USB_INTERFACE_ASSOCIATION_DESCRIPTOR_TYPE 0x0b

#define USB_DESCRIPTOR_MAKE_TYPE_AND_INDEX(d, i) \
    (static_cast<USHORT>(static_cast<USHORT>(d) << 8 | (i)))

#define USB_REQUEST_GET_STATUS 0x00
#define USB_REQUEST_CLEAR_FEATURE 0x01
#define USB_REQUEST_SET_FEATURE 0x03
#define USB_REQUEST_SET_ADDRESS 0x05
#define USB_REQUEST_GET_DESCRIPTOR 0x06
#define USB_REQUEST_SET_DESCRIPTOR 0x07
#define USB_REQUEST_GET_CONFIGURATION 0x08
#define USB_REQUEST_SET_CONFIGURATION 0x09
#define USB_REQUEST_GET_INTERFACE 0x0a
#define USB_REQUEST_SET_INTERFACE 0x0b
#define USB_REQUEST_SYNC_FRAME 0x0c

#define BMREQUEST_HOST_TO_DEVICE 0
#define BMREQUEST_DEVICE_TO_HOST 1
#define BMREQUEST_STANDARD 0
#define BMREQUEST_CLASS 1
#define BMREQUEST_VENDOR 2
#define BMREQUEST_TO_DEVICE 0
#define BMREQUEST_TO_INTERFACE 1
#define BMREQUEST_TO_ENDPOINT 2
#define BMREQUEST_TO_OTHER 3

#define USB_FEATURE_ENDPOINT_STALL 0x00
#define USB_FEATURE_REMOTE_WAKEUP 0x01

#define USB_CONFIG_POWERED_MASK 0xc0
#define USB_CONFIG_BUS_POWERED 0x80
#define USB_CONFIG_SELF_POWERED 0x40
#define USB_CONFIG_REMOTE_WAKEUP 0x20

#define USB_ENDPOINT_DIRECTION_MASK 0x80
#define USB_ENDPOINT_DIRECTION_OUT(addr) (!((addr)&USB_ENDPOINT_DIRECTION_MASK))
#define USB_ENDPOINT_DIRECTION_IN(addr) ((addr)&USB_ENDPOINT_DIRECTION_MASK)
#define USB_ENDPOINT_ADDRESS_MASK 0x0f
#define USB_ENDPOINT_TYPE_MASK 0x03
#define USB_ENDPOINT_TYPE_CONTROL 0x00
#define USB_ENDPOINT_TYPE_ISOCHRONOUS 0x01
#define USB_ENDPOINT_TYPE_BULK 0x02
#define USB_ENDPOINT_TYPE_INTERRUPT 0x03

#define USB_DEVICE_CLASS_VENDOR_SPECIFIC 0xff
#define USB_DEFAULT_MAX_PACKET 64

// ---- USBD status -----------------------------------------------------------
typedef LONG USBD_STATUS;

#define USBD_SUCCESS(Status) (static_cast<USBD_STATUS>(Status) >= 0)
#define USBD_PENDING(Status) (static_cast<ULONG>(Status) >> 30 == 1)
#define USBD_ERROR(Status) (static_cast<USBD_STATUS>(Status) < 0)
#define USBD_HALTED(Status) (static_cast<ULONG>(Status) >> 30 == 3)

#define USBD_STATUS_SUCCESS (static_cast<USBD_STATUS>(0x00000000L))
#define USBD_STATUS_PENDING (static_cast<USBD_STATUS>(0x40000000L))
#define USBD_STATUS_HALTED (static_cast<USBD_STATUS>(0xC0000000L))
#define USBD_STATUS_ERROR (static_cast<USBD_STATUS>(0x80000000L))
#define USBD_STATUS_CANCELING (static_cast<USBD_STATUS>(0x00020000L))
#define USBD_STATUS_CRC (static_cast<USBD_STATUS>(0xC0000001L))
#define USBD_STATUS_BTSTUFF (static_cast<USBD_STATUS>(0xC0000002L))
#define USBD_STATUS_DATA_TOGGLE_MISMATCH (static_cast<USBD_STATUS>(0xC0000003L))
#define USBD_STATUS_STALL_PID (static_cast<USBD_STATUS>(0xC0000004L))
#define USBD_STATUS_DEV_NOT_RESPONDING (static_cast<USBD_STATUS>(0xC0000005L))
#define USBD_STATUS_PID_CHECK_FAILURE (static_cast<USBD_STATUS>(0xC0000006L))
#define USBD_STATUS_UNEXPECTED_PID (static_cast<USBD_STATUS>(0xC0000007L))
#define USBD_STATUS_DATA_OVERRUN (static_cast<USBD_STATUS>(0xC0000008L))
#define USBD_STATUS_DATA_UNDERRUN (static_cast<USBD_STATUS>(0xC0000009L))
#define USBD_STATUS_BUFFER_OVERRUN (static_cast<USBD_STATUS>(0xC000000CL))
#define USBD_STATUS_BUFFER_UNDERRUN (static_cast<USBD_STATUS>(0xC000000DL))
#define USBD_STATUS_NOT_ACCESSED (static_cast<USBD_STATUS>(0xC000000FL))
#define USBD_STATUS_FIFO (static_cast<USBD_STATUS>(0xC0000010L))
#define USBD_STATUS_XACT_ERROR (static_cast<USBD_STATUS>(0xC0000011L))
#define USBD_STATUS_BABBLE_DETECTED (static_cast<USBD_STATUS>(0xC0000012L))
#define USBD_STATUS_DATA_BUFFER_ERROR (static_cast<USBD_STATUS>(0xC0000013L))
#define USBD_STATUS_ENDPOINT_HALTED (static_cast<USBD_STATUS>(0xC0000030L))
#define USBD_STATUS_NO_MEMORY (static_cast<USBD_STATUS>(0x80000100L))
#define USBD_STATUS_INVALID_URB_FUNCTION (static_cast<USBD_STATUS>(0x80000200L))
#define USBD_STATUS_INVALID_PARAMETER (static_cast<USBD_STATUS>(0x80000300L))
#define USBD_STATUS_ERROR_BUSY (static_cast<USBD_STATUS>(0x80000400L))
#define USBD_STATUS_REQUEST_FAILED (static_cast<USBD_STATUS>(0x80000500L))
#define USBD_STATUS_INVALID_PIPE_HANDLE (static_cast<USBD_STATUS>(0x80000600L))
#define USBD_STATUS_NO_BANDWIDTH (static_cast<USBD_STATUS>(0x80000700L))
#define USBD_STATUS_INTERNAL_HC_ERROR (static_cast<USBD_STATUS>(0x80000800L))
#define USBD_STATUS_ERROR_SHORT_TRANSFER (static_cast<USBD_STATUS>(0x80000900L))
#define USBD_STATUS_BAD_START_FRAME (static_cast<USBD_STATUS>(0xC0000A00L))
#define USBD_STATUS_ISOCH_REQUEST_FAILED (static_cast<USBD_STATUS>(0xC0000B00L))
#define USBD_STATUS_FRAME_CONTROL_OWNED (static_cast<USBD_STATUS>(0xC0000C00L))
#define USBD_STATUS_FRAME_CONTROL_NOT_OWNED (static_cast<USBD_STATUS>(0xC0000D00L))
#define USBD_STATUS_NOT_SUPPORTED (static_cast<USBD_STATUS>(0xC0000E00L))
#define USBD_STATUS_INAVLID_CONFIGURATION_DESCRIPTOR (static_cast<USBD_STATUS>(0xC0000F00L))
#define USBD_STATUS_INSUFFICIENT_RESOURCES (static_cast<USBD_STATUS>(0xC0001000L))
#define USBD_STATUS_SET_CONFIG_FAILED (static_cast<USBD_STATUS>(0xC0002000L))
#define USBD_STATUS_BUFFER_TOO_SMALL (static_cast<USBD_STATUS>(0xC0003000L))
#define USBD_STATUS_INTERFACE_NOT_FOUND (static_cast<USBD_STATUS>(0xC0004000L))
#define USBD_STATUS_INAVLID_PIPE_FLAGS (static_cast<USBD_STATUS>(0xC0005000L))
#define USBD_STATUS_TIMEOUT (static_cast<USBD_STATUS>(0xC0006000L))
#define USBD_STATUS_DEVICE_GONE (static_cast<USBD_STATUS>(0xC0007000L))
#define USBD_STATUS_STATUS_NOT_MAPPED (static_cast<USBD_STATUS>(0xC0008000L))
#define USBD_STATUS_HUB_INTERNAL_ERROR (static_cast<USBD_STATUS>(0xC0009000L))
#define USBD_STATUS_CANCELED (static_cast<USBD_STATUS>(0xC0010000L))
#define USBD_STATUS_BAD_DESCRIPTOR (static_cast<USBD_STATUS>(0xC0100000L))
#define USBD_STATUS_BAD_DESCRIPTOR_BLEN (static_cast<USBD_STATUS>(0xC0100001L))
#define USBD_STATUS_BAD_DESCRIPTOR_TYPE (static_cast<USBD_STATUS>(0xC0100002L))
#define USBD_STATUS_BAD_INTERFACE_DESCRIPTOR (static_cast<USBD_STATUS>(0xC0100003L))
#define USBD_STATUS_BAD_ENDPOINT_DESCRIPTOR (static_cast<USBD_STATUS>(0xC0100004L))
#define USBD_STATUS_BAD_CONFIG_DESC_LENGTH (static_cast<USBD_STATUS>(0xC0100006L))
#define USBD_STATUS_BAD_NUMBER_OF_INTERFACES (static_cast<USBD_STATUS>(0xC0100007L))
#define USBD_STATUS_BAD_NUMBER_OF_ENDPOINTS (static_cast<USBD_STATUS>(0xC0100008L))
#define USBD_STATUS_BAD_ENDPOINT_ADDRESS (static_cast<USBD_STATUS>(0xC0100009L))

// ---- Handles, pipes, interfaces ---------------------------------------------
typedef PVOID USBD_PIPE_HANDLE;
typedef PVOID USBD_CONFIGURATION_HANDLE;
typedef PVOID USBD_INTERFACE_HANDLE;

#define USBD_DEFAULT_MAXIMUM_TRANSFER_SIZE 0xffffffff

typedef enum _USBD_PIPE_TYPE {
    UsbdPipeTypeControl,
    UsbdPipeTypeIsochronous,
    UsbdPipeTypeBulk,
    UsbdPipeTypeInterrupt
} USBD_PIPE_TYPE;

#define USBD_PIPE_DIRECTION_IN(pipeInformation) \
    ((pipeInformation)->EndpointAddress & USB_ENDPOINT_DIRECTION_MASK)

typedef struct _USBD_VERSION_INFORMATION {
    ULONG USBDI_Version;
    ULONG Supported_USB_Version;
} USBD_VERSION_INFORMATION, *PUSBD_VERSION_INFORMATION;

typedef struct _USBD_PIPE_INFORMATION {
    USHORT MaximumPacketSize;
    UCHAR EndpointAddress;
    UCHAR Interval;
    USBD_PIPE_TYPE PipeType;
    USBD_PIPE_HANDLE PipeHandle;
    ULONG MaximumTransferSize;
    ULONG PipeFlags;
} USBD_PIPE_INFORMATION, *PUSBD_PIPE_INFORMATION;

#define USBD_PF_CHANGE_MAX_PACKET 0x00000001
#define USBD_PF_SHORT_PACKET_OPT 0x00000002
#define USBD_PF_ENABLE_RT_THREAD_ACCESS 0x00000004
#define USBD_PF_MAP_ADD_TRANSFERS 0x00000008

typedef struct _USBD_INTERFACE_INFORMATION {
    USHORT Length;
    UCHAR InterfaceNumber;
    UCHAR AlternateSetting;
    UCHAR Class;
    UCHAR SubClass;
    UCHAR Protocol;
    UCHAR Reserved;
    USBD_INTERFACE_HANDLE InterfaceHandle;
    ULONG NumberOfPipes;
    USBD_PIPE_INFORMATION Pipes[1];
} USBD_INTERFACE_INFORMATION, *PUSBD_INTERFACE_INFORMATION;

// ---- URBs --------------------------------------------------------------------
#define URB_FUNCTION_SELECT_CONFIGURATION 0x0000
#define URB_FUNCTION_SELECT_INTERFACE 0x0001
#define URB_FUNCTION_ABORT_PIPE 0x0002
#define URB_FUNCTION_TAKE_FRAME_LENGTH_CONTROL 0x0003
#define URB_FUNCTION_RELEASE_FRAME_LENGTH_CONTROL 0x0004
#define URB_FUNCTION_GET_FRAME_LENGTH 0x0005
#define URB_FUNCTION_SET_FRAME_LENGTH 0x0006
#define URB_FUNCTION_GET_CURRENT_FRAME_NUMBER 0x0007
#define URB_FUNCTION_CONTROL_TRANSFER 0x0008
#define URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER 0x0009
#define URB_FUNCTION_ISOCH_TRANSFER 0x000A
#define URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE 0x000B
#define URB_FUNCTION_SET_DESCRIPTOR_TO_DEVICE 0x000C
#define URB_FUNCTION_SET_FEATURE_TO_DEVICE 0x000D
#define URB_FUNCTION_SET_FEATURE_TO_INTERFACE 0x000E
#define URB_FUNCTION_SET_FEATURE_TO_ENDPOINT 0x000F
#define URB_FUNCTION_CLEAR_FEATURE_TO_DEVICE 0x0010
#define URB_FUNCTION_CLEAR_FEATURE_TO_INTERFACE 0x0011
#define URB_FUNCTION_CLEAR_FEATURE_TO_ENDPOINT 0x0012
#define URB_FUNCTION_GET_STATUS_FROM_DEVICE 0x0013
#define URB_FUNCTION_GET_STATUS_FROM_INTERFACE 0x0014
#define URB_FUNCTION_GET_STATUS_FROM_ENDPOINT 0x0015
#define URB_FUNCTION_VENDOR_DEVICE 0x0017
#define URB_FUNCTION_VENDOR_INTERFACE 0x0018
#define URB_FUNCTION_VENDOR_ENDPOINT 0x0019
#define URB_FUNCTION_CLASS_DEVICE 0x001A
#define URB_FUNCTION_CLASS_INTERFACE 0x001B
#define URB_FUNCTION_CLASS_ENDPOINT 0x001C
#define URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL 0x001E
#define URB_FUNCTION_CLASS_OTHER 0x001F
#define URB_FUNCTION_VENDOR_OTHER 0x0020
#define URB_FUNCTION_GET_STATUS_FROM_OTHER 0x0021
#define URB_FUNCTION_CLEAR_FEATURE_TO_OTHER 0x0022
#define URB_FUNCTION_SET_FEATURE_TO_OTHER 0x0023
#define URB_FUNCTION_GET_DESCRIPTOR_FROM_ENDPOINT 0x0024
#define URB_FUNCTION_SET_DESCRIPTOR_TO_ENDPOINT 0x0025
#define URB_FUNCTION_GET_CONFIGURATION 0x0026
#define URB_FUNCTION_GET_INTERFACE 0x0027
#define URB_FUNCTION_GET_DESCRIPTOR_FROM_INTERFACE 0x0028
#define URB_FUNCTION_SET_DESCRIPTOR_TO_INTERFACE 0x0029
#define URB_FUNCTION_GET_MS_FEATURE_DESCRIPTOR 0x002A
#define URB_FUNCTION_SYNC_RESET_PIPE 0x0030
#define URB_FUNCTION_SYNC_CLEAR_STALL 0x0031
#define URB_FUNCTION_CONTROL_TRANSFER_EX 0x0032

#define URB_FUNCTION_RESET_PIPE URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL

// TransferFlags of the transfer URBs.
#define USBD_TRANSFER_DIRECTION_OUT 0
#define USBD_TRANSFER_DIRECTION_IN 1
#define USBD_SHORT_TRANSFER_OK 0x00000002
#define USBD_START_ISO_TRANSFER_ASAP 0x00000004
#define USBD_DEFAULT_PIPE_TRANSFER 0x00000008
#define USBD_TRANSFER_DIRECTION(x) ((x)&USBD_TRANSFER_DIRECTION_IN)

// The URB of an IRP_MJ_INTERNAL_DEVICE_CONTROL, as a PVOID as in the DDK.
#define URB_FROM_IRP(Irp) ((IoGetCurrentIrpStackLocation(Irp))->Parameters.Others.Argument1)

struct _URB_HCD_AREA {
    PVOID Reserved8[8];
};

struct _URB_HEADER {
    USHORT Length;
    USHORT Function;
    USBD_STATUS Status;
    PVOID UsbdDeviceHandle;
    ULONG UsbdFlags;
};

struct _URB_SELECT_INTERFACE {
    struct _URB_HEADER Hdr;
    USBD_CONFIGURATION_HANDLE ConfigurationHandle;
    USBD_INTERFACE_INFORMATION Interface;
};

struct _URB_SELECT_CONFIGURATION {
    struct _URB_HEADER Hdr;
    PUSB_CONFIGURATION_DESCRIPTOR ConfigurationDescriptor;
    USBD_CONFIGURATION_HANDLE ConfigurationHandle;
    USBD_INTERFACE_INFORMATION Interface;
};

struct _URB_PIPE_REQUEST {
    struct _URB_HEADER Hdr;
    USBD_PIPE_HANDLE PipeHandle;
    ULONG Reserved;
};

struct _URB_FRAME_LENGTH_CONTROL {
    struct _URB_HEADER Hdr;
};

struct _URB_GET_FRAME_LENGTH {
    struct _URB_HEADER Hdr;
    ULONG FrameLength;
    ULONG FrameNumber;
};

struct _URB_SET_FRAME_LENGTH {
    struct _URB_HEADER Hdr;
    LONG FrameLengthDelta;
};

struct _URB_GET_CURRENT_FRAME_NUMBER {
    struct _URB_HEADER Hdr;
    ULONG FrameNumber;
};

struct _URB_CONTROL_DESCRIPTOR_REQUEST {
    struct _URB_HEADER Hdr;
    PVOID Reserved;
    ULONG Reserved0;
    ULONG TransferBufferLength;
    PVOID TransferBuffer;
    PMDL TransferBufferMDL;
    struct _URB* UrbLink;
    struct _URB_HCD_AREA hca;
    USHORT Reserved1;
    UCHAR Index;
    UCHAR DescriptorType;
    USHORT LanguageId;
    USHORT Reserved2;
};

struct _URB_CONTROL_GET_STATUS_REQUEST {
    struct _URB_HEADER Hdr;
    PVOID Reserved;
    ULONG Reserved0;
    ULONG TransferBufferLength;
    PVOID TransferBuffer;
    PMDL TransferBufferMDL;
    struct _URB* UrbLink;
    struct _URB_HCD_AREA hca;
    UCHAR Reserved1[4];
    USHORT Index;
    USHORT Reserved2;
};

struct _URB_CONTROL_FEATURE_REQUEST {
    struct _URB_HEADER Hdr;
    PVOID Reserved;
    ULONG Reserved2;
    ULONG Reserved3;
    PVOID Reserved4;
    PMDL Reserved5;
    struct _URB* UrbLink;
    struct _URB_HCD_AREA hca;
    USHORT Reserved0;
    USHORT FeatureSelector;
    USHORT Index;
    USHORT Reserved1;
};

struct _URB_CONTROL_VENDOR_OR_CLASS_REQUEST {
    struct _URB_HEADER Hdr;
    PVOID Reserved;
    ULONG TransferFlags;
    ULONG TransferBufferLength;
    PVOID TransferBuffer;
    PMDL TransferBufferMDL;
    struct _URB* UrbLink;
    struct _URB_HCD_AREA hca;
    UCHAR RequestTypeReservedBits;
    UCHAR Request;
    USHORT Value;
    USHORT Index;
    USHORT Reserved1;
};

struct _URB_CONTROL_GET_INTERFACE_REQUEST {
    struct _URB_HEADER Hdr;
    PVOID Reserved;
    ULONG Reserved0;
    ULONG TransferBufferLength;
    PVOID TransferBuffer;
    PMDL TransferBufferMDL;
    struct _URB* UrbLink;
    struct _URB_HCD_AREA hca;
    UCHAR Reserved1[4];
    USHORT Interface;
    USHORT Reserved2;
};

struct _URB_CONTROL_GET_CONFIGURATION_REQUEST {
    struct _URB_HEADER Hdr;
    PVOID Reserved;
    ULONG Reserved0;
    ULONG TransferBufferLength;
    PVOID TransferBuffer;
    PMDL TransferBufferMDL;
    struct _URB* UrbLink;
    struct _URB_HCD_AREA hca;
    UCHAR Reserved1[8];
};

struct _URB_OS_FEATURE_DESCRIPTOR_REQUEST {
    struct _URB_HEADER Hdr;
    PVOID Reserved;
    ULONG Reserved0;
    ULONG TransferBufferLength;
    PVOID TransferBuffer;
    PMDL TransferBufferMDL;
    struct _URB* UrbLink;
    struct _URB_HCD_AREA hca;
    UCHAR Recipient : 5;
    UCHAR Reserved1 : 3;
    UCHAR Reserved2;
    UCHAR InterfaceNumber;
    UCHAR MS_PageIndex;
    USHORT MS_FeatureDescriptorIndex;
    USHORT Reserved3;
};

struct _URB_CONTROL_TRANSFER {
    struct _URB_HEADER Hdr;
    USBD_PIPE_HANDLE PipeHandle;
    ULONG TransferFlags;
    ULONG TransferBufferLength;
    PVOID TransferBuffer;
    PMDL TransferBufferMDL;
    struct _URB* UrbLink;
    struct _URB_HCD_AREA hca;
    UCHAR SetupPacket[8];
};

struct _URB_CONTROL_TRANSFER_EX {
    struct _URB_HEADER Hdr;
    USBD_PIPE_HANDLE PipeHandle;
    ULONG TransferFlags;
    ULONG TransferBufferLength;
    PVOID TransferBuffer;
    PMDL TransferBufferMDL;
    ULONG Timeout;
    ULONG Pad;  // present in the x64 layout only
    struct _URB_HCD_AREA hca;
    UCHAR SetupPacket[8];
};

struct _URB_BULK_OR_INTERRUPT_TRANSFER {
    struct _URB_HEADER Hdr;
    USBD_PIPE_HANDLE PipeHandle;
    ULONG TransferFlags;
    ULONG TransferBufferLength;
    PVOID TransferBuffer;
    PMDL TransferBufferMDL;
    struct _URB* UrbLink;
    struct _URB_HCD_AREA hca;
};

typedef struct _USBD_ISO_PACKET_DESCRIPTOR {
    ULONG Offset;
    ULONG Length;
    USBD_STATUS Status;
} USBD_ISO_PACKET_DESCRIPTOR, *PUSBD_ISO_PACKET_DESCRIPTOR;

struct _URB_ISOCH_TRANSFER {
    struct _URB_HEADER Hdr;
    USBD_PIPE_HANDLE PipeHandle;
    ULONG TransferFlags;
    ULONG TransferBufferLength;
    PVOID TransferBuffer;
    PMDL TransferBufferMDL;
    struct _URB* UrbLink;
    struct _URB_HCD_AREA hca;
    ULONG StartFrame;
    ULONG NumberOfPackets;
    ULONG ErrorCount;
    USBD_ISO_PACKET_DESCRIPTOR IsoPacket[1];
};

typedef struct _URB {
    union {
        struct _URB_HEADER UrbHeader;
        struct _URB_SELECT_INTERFACE UrbSelectInterface;
        struct _URB_SELECT_CONFIGURATION UrbSelectConfiguration;
        struct _URB_PIPE_REQUEST UrbPipeRequest;
        struct _URB_FRAME_LENGTH_CONTROL UrbFrameLengthControl;
        struct _URB_GET_FRAME_LENGTH UrbGetFrameLength;
        struct _URB_SET_FRAME_LENGTH UrbSetFrameLength;
        struct _URB_GET_CURRENT_FRAME_NUMBER UrbGetCurrentFrameNumber;
        struct _URB_CONTROL_TRANSFER UrbControlTransfer;
        struct _URB_CONTROL_TRANSFER_EX UrbControlTransferEx;
        struct _URB_BULK_OR_INTERRUPT_TRANSFER UrbBulkOrInterruptTransfer;
        struct _URB_ISOCH_TRANSFER UrbIsochronousTransfer;
        struct _URB_CONTROL_DESCRIPTOR_REQUEST UrbControlDescriptorRequest;
        struct _URB_CONTROL_GET_STATUS_REQUEST UrbControlGetStatusRequest;
        struct _URB_CONTROL_FEATURE_REQUEST UrbControlFeatureRequest;
        struct _URB_CONTROL_VENDOR_OR_CLASS_REQUEST UrbControlVendorClassRequest;
        struct _URB_CONTROL_GET_INTERFACE_REQUEST UrbControlGetInterfaceRequest;
        struct _URB_CONTROL_GET_CONFIGURATION_REQUEST UrbControlGetConfigurationRequest;
        struct _URB_OS_FEATURE_DESCRIPTOR_REQUEST UrbOSFeatureDescriptorRequest;
    };
} URB, *PURB;

// ---- Internal device controls of the USB hub (usbioctl.h) --------------------
// Each is CTL_CODE(FILE_DEVICE_USB = FILE_DEVICE_UNKNOWN, function,
// METHOD_NEITHER, FILE_ANY_ACCESS), written out so this header does not
// depend on where CTL_CODE is declared.
#define USB_SUBMIT_URB 0
#define USB_RESET_PORT 1
#define USB_GET_ROOTHUB_PDO 3
#define USB_GET_PORT_STATUS 4
#define USB_ENABLE_PORT 5
#define USB_CYCLE_PORT 7

#define IOCTL_INTERNAL_USB_SUBMIT_URB 0x00220003
#define IOCTL_INTERNAL_USB_RESET_PORT 0x00220007
#define IOCTL_INTERNAL_USB_GET_ROOTHUB_PDO 0x0022000F
#define IOCTL_INTERNAL_USB_GET_PORT_STATUS 0x00220013
#define IOCTL_INTERNAL_USB_ENABLE_PORT 0x00220017
#define IOCTL_INTERNAL_USB_CYCLE_PORT 0x0022001F

// Bits of the ULONG that IOCTL_INTERNAL_USB_GET_PORT_STATUS fills.
#define USBD_PORT_ENABLED 0x00000001
#define USBD_PORT_CONNECTED 0x00000002

// ---- The USBD library (usbdlib.h) ----------------------------------------------
typedef struct _USBD_INTERFACE_LIST_ENTRY {
    PUSB_INTERFACE_DESCRIPTOR InterfaceDescriptor;
    PUSBD_INTERFACE_INFORMATION Interface;
} USBD_INTERFACE_LIST_ENTRY, *PUSBD_INTERFACE_LIST_ENTRY;

#define UsbBuildInterruptOrBulkTransferRequest(urb, length, pipeHandle, transferBuffer,  \
                                               transferBufferMDL, transferBufferLength,  \
                                               transferFlags, link)                      \
    {                                                                                    \
        (urb)->UrbHeader.Function = URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER;             \
        (urb)->UrbHeader.Length = (length);                                              \
        (urb)->UrbBulkOrInterruptTransfer.PipeHandle = (pipeHandle);                     \
        (urb)->UrbBulkOrInterruptTransfer.TransferBufferLength = (transferBufferLength); \
        (urb)->UrbBulkOrInterruptTransfer.TransferBufferMDL = (transferBufferMDL);       \
        (urb)->UrbBulkOrInterruptTransfer.TransferBuffer = (transferBuffer);             \
        (urb)->UrbBulkOrInterruptTransfer.TransferFlags = (transferFlags);               \
        (urb)->UrbBulkOrInterruptTransfer.UrbLink = (link);                              \
    }

#define UsbBuildGetDescriptorRequest(urb, length, descriptorType, descriptorIndex, languageId, \
                                     transferBuffer, transferBufferMDL, transferBufferLength,  \
                                     link)                                                     \
    {                                                                                          \
        (urb)->UrbHeader.Function = URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE;                   \
        (urb)->UrbHeader.Length = (length);                                                    \
        (urb)->UrbControlDescriptorRequest.TransferBufferLength = (transferBufferLength);      \
        (urb)->UrbControlDescriptorRequest.TransferBufferMDL = (transferBufferMDL);            \
        (urb)->UrbControlDescriptorRequest.TransferBuffer = (transferBuffer);                  \
        (urb)->UrbControlDescriptorRequest.DescriptorType = (descriptorType);                  \
        (urb)->UrbControlDescriptorRequest.Index = (descriptorIndex);                          \
        (urb)->UrbControlDescriptorRequest.LanguageId = (languageId);                          \
        (urb)->UrbControlDescriptorRequest.UrbLink = (link);                                   \
    }

#define UsbBuildSelectConfigurationRequest(urb, length, configurationDescriptor)           \
    {                                                                                      \
        (urb)->UrbHeader.Function = URB_FUNCTION_SELECT_CONFIGURATION;                     \
        (urb)->UrbHeader.Length = (length);                                                \
        (urb)->UrbSelectConfiguration.ConfigurationDescriptor = (configurationDescriptor); \
    }

#define UsbBuildVendorRequest(urb, cmd, length, transferFlags, reservedbits, request, value,  \
                              index, transferBuffer, transferBufferMDL, transferBufferLength, \
                              link)                                                           \
    {                                                                                         \
        (urb)->UrbHeader.Function = cmd;                                                      \
        (urb)->UrbHeader.Length = (length);                                                   \
        (urb)->UrbControlVendorClassRequest.TransferBufferLength = (transferBufferLength);    \
        (urb)->UrbControlVendorClassRequest.TransferBufferMDL = (transferBufferMDL);          \
        (urb)->UrbControlVendorClassRequest.TransferBuffer = (transferBuffer);                \
        (urb)->UrbControlVendorClassRequest.RequestTypeReservedBits = (reservedbits);         \
        (urb)->UrbControlVendorClassRequest.Request = (request);                              \
        (urb)->UrbControlVendorClassRequest.Value = (value);                                  \
        (urb)->UrbControlVendorClassRequest.Index = (index);                                  \
        (urb)->UrbControlVendorClassRequest.TransferFlags = (transferFlags);                  \
        (urb)->UrbControlVendorClassRequest.UrbLink = (link);                                 \
    }

#define URB_STATUS(urb) ((urb)->UrbHeader.Status)

#define GET_SELECT_CONFIGURATION_REQUEST_SIZE(totalInterfaces, totalPipes) \
    (sizeof(struct _URB_SELECT_CONFIGURATION) +                            \
     ((totalInterfaces - 1) * sizeof(USBD_INTERFACE_INFORMATION)) +        \
     ((totalPipes - totalInterfaces) * sizeof(USBD_PIPE_INFORMATION)))

#define GET_SELECT_INTERFACE_REQUEST_SIZE(totalPipes) \
    (sizeof(struct _URB_SELECT_INTERFACE) + ((totalPipes - 1) * sizeof(USBD_PIPE_INFORMATION)))

#define GET_USBD_INTERFACE_SIZE(numEndpoints)                                                \
    (sizeof(USBD_INTERFACE_INFORMATION) + (sizeof(USBD_PIPE_INFORMATION) * (numEndpoints)) - \
     sizeof(USBD_PIPE_INFORMATION))

extern "C" {

// The next descriptor of DescriptorType (-1: any) at or after StartPosition
// within the TotalLength bytes at DescriptorBuffer; null when there is none.
PUSB_COMMON_DESCRIPTOR NTAPI USBD_ParseDescriptors(PVOID DescriptorBuffer, ULONG TotalLength,
                                                   PVOID StartPosition, LONG DescriptorType);

// The first interface descriptor at or after StartPosition in the
// configuration descriptor (walked within wTotalLength) that matches every
// criterion that is not -1; null when none does.
PUSB_INTERFACE_DESCRIPTOR NTAPI USBD_ParseConfigurationDescriptorEx(
    PUSB_CONFIGURATION_DESCRIPTOR ConfigurationDescriptor, PVOID StartPosition,
    LONG InterfaceNumber, LONG AlternateSetting, LONG InterfaceClass, LONG InterfaceSubClass,
    LONG InterfaceProtocol);

// A select-configuration URB, from non-paged pool, for the interfaces of
// InterfaceList (ended by an entry whose InterfaceDescriptor is null); each
// entry's Interface is pointed at its USBD_INTERFACE_INFORMATION inside the
// URB. Null when the pool is exhausted. The caller frees it with ExFreePool.
PURB NTAPI USBD_CreateConfigurationRequestEx(PUSB_CONFIGURATION_DESCRIPTOR ConfigurationDescriptor,
                                             PUSBD_INTERFACE_LIST_ENTRY InterfaceList);

}  // extern "C"
