// The camera's command packets: 64 bytes, the code in byte 0, the argument
// bytes after it, every other byte 0. Each builder clears the whole packet
// first. Any IRQL.
#pragma once

#include "../platform/kernel.h"

enum CameraCommand : UCHAR {
    kCommandFrameRequest = 0x02,
    kCommandReadsPosted = 0x03,
    kCommandWriteRegister = 0x04,
    kCommandInitialize = 0x06,
    kCommandStreamSetup = 0x0A,
    kCommandSetParameter = 0x25,
    kCommandGetParameter = 0x26,
    kCommandRawCommand = 0x40,
    kCommandReadByte = 0x41,
};

constexpr ULONG kHighestRegister = 1023;
constexpr ULONG kRawPayloadBytes = 63;

// A command with no argument bytes.
void BuildCommand(PUCHAR packet, CameraCommand code);

// WriteRegister: the bit count of the address range in byte 1, then the
// register word (address in bits 0-9, the value masked to the range's data
// width from bit 10 up) least significant byte first. The caller keeps
// addresses at or below kHighestRegister.
void BuildWriteRegister(PUCHAR packet, ULONG address, ULONG value);

// The register data mask and the word's bit count for an address.
ULONG RegisterDataMask(ULONG address);
UCHAR RegisterBitCount(ULONG address);

void BuildSetParameter(PUCHAR packet, UCHAR parameter, UCHAR value);
void BuildGetParameter(PUCHAR packet, UCHAR parameter);
void BuildStreamSetup(PUCHAR packet);

// RawCommand: at most 63 payload bytes; a length of 0 or less sends only
// the code.
void BuildRawCommand(PUCHAR packet, const UCHAR* payload, LONG length);

// ReadByte of a 16-bit address.
void BuildReadByte(PUCHAR packet, USHORT address);
