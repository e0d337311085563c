#include "command_packets.h"

#include "usb_transport.h"

void BuildCommand(PUCHAR packet, CameraCommand code) {
    RtlZeroMemory(packet, kPacketBytes);
    packet[0] = code;
}

ULONG RegisterDataMask(ULONG address) {
    if (address <= 255) {
        return 0x3F;
    }
    return (address <= 383) ? 0xFFFF : 0x3FFFFF;
}

UCHAR RegisterBitCount(ULONG address) {
    if (address <= 255) {
        return 16;
    }
    return (address <= 383) ? 26 : 32;
}

void BuildWriteRegister(PUCHAR packet, ULONG address, ULONG value) {
    BuildCommand(packet, kCommandWriteRegister);
    const ULONG word = (address & 0x3FF) | ((value & RegisterDataMask(address)) << 10);
    packet[1] = RegisterBitCount(address);
    for (int i = 0; i < 4; ++i) {
        packet[2 + i] = static_cast<UCHAR>(word >> (8 * i));
    }
}

void BuildSetParameter(PUCHAR packet, UCHAR parameter, UCHAR value) {
    BuildCommand(packet, kCommandSetParameter);
    packet[1] = parameter;
    packet[2] = value;
}

void BuildGetParameter(PUCHAR packet, UCHAR parameter) {
    BuildCommand(packet, kCommandGetParameter);
    packet[1] = parameter;
}

void BuildStreamSetup(PUCHAR packet) {
    BuildCommand(packet, kCommandStreamSetup);
    packet[1] = 1;
}

void BuildRawCommand(PUCHAR packet, const UCHAR* payload, LONG length) {
    BuildCommand(packet, kCommandRawCommand);
    if (length <= 0 || payload == nullptr) {
        return;
    }
    const ULONG count = (static_cast<ULONG>(length) < kRawPayloadBytes) ? static_cast<ULONG>(length)
                                                                        : kRawPayloadBytes;
    RtlCopyMemory(packet + 1, payload, count);
}

void BuildReadByte(PUCHAR packet, USHORT address) {
    BuildCommand(packet, kCommandReadByte);
    packet[1] = 0x51;
    packet[2] = 2;
    packet[3] = 1;
    packet[4] = static_cast<UCHAR>(address >> 8);
    packet[5] = static_cast<UCHAR>(address & 0xFF);
}
