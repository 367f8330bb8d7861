#pragma once
// RS232 port, per-channel RS485 decoder and the device's PTZ protocol list.
#include "command/recordcheck.h"

#pragma pack(push, 1)

struct Rs232Record {
    std::uint8_t reserved0[4];
    std::uint32_t baudRateIndex;
    std::uint8_t dataBitsIndex;
    std::uint8_t stopBitsIndex;
    std::uint8_t parityIndex;
    std::uint8_t flowControlIndex;
    std::uint32_t workMode; // 0 narrow-band, 1 console, 2 transparent
    std::uint8_t reserved16[84];
    char pppRemoteAddress[16];
    std::uint8_t reserved116[128];
    char pppLocalAddress[16];
    std::uint8_t reserved260[128];
    char pppLocalMask[16];
    char pppUser[32];
    char pppPassword[16];
    std::uint8_t pppMode;
    std::uint8_t callbackEnable;
    std::uint8_t callbackMode;
    std::uint8_t dataEncrypt;
    std::uint8_t reserved456[4];
    char telephoneNumber[32];
};
DVR_SIZE(Rs232Record, 492);
DVR_PIN(Rs232Record, baudRateIndex, 4);
DVR_PIN(Rs232Record, dataBitsIndex, 8);
DVR_PIN(Rs232Record, stopBitsIndex, 9);
DVR_PIN(Rs232Record, parityIndex, 10);
DVR_PIN(Rs232Record, flowControlIndex, 11);
DVR_PIN(Rs232Record, workMode, 12);
DVR_PIN(Rs232Record, reserved16, 16);
DVR_PIN(Rs232Record, pppRemoteAddress, 100);
DVR_PIN(Rs232Record, reserved116, 116);
DVR_PIN(Rs232Record, pppLocalAddress, 244);
DVR_PIN(Rs232Record, reserved260, 260);
DVR_PIN(Rs232Record, pppLocalMask, 388);
DVR_PIN(Rs232Record, pppUser, 404);
DVR_PIN(Rs232Record, pppPassword, 436);
DVR_PIN(Rs232Record, pppMode, 452);
DVR_PIN(Rs232Record, callbackEnable, 453);
DVR_PIN(Rs232Record, callbackMode, 454);
DVR_PIN(Rs232Record, dataEncrypt, 455);
DVR_PIN(Rs232Record, reserved456, 456);
DVR_PIN(Rs232Record, telephoneNumber, 460);

struct DecoderRecord {
    std::uint8_t reserved0[4];
    std::uint32_t baudRateIndex;
    std::uint8_t dataBitsIndex;
    std::uint8_t stopBitsIndex;
    std::uint8_t parityIndex;
    std::uint8_t flowControlIndex;
    std::uint16_t decoderType;    // PTZ protocol code
    std::uint16_t decoderAddress; // 0..255
    std::uint8_t reserved16[768];
};
DVR_SIZE(DecoderRecord, 784);
DVR_PIN(DecoderRecord, baudRateIndex, 4);
DVR_PIN(DecoderRecord, dataBitsIndex, 8);
DVR_PIN(DecoderRecord, stopBitsIndex, 9);
DVR_PIN(DecoderRecord, parityIndex, 10);
DVR_PIN(DecoderRecord, flowControlIndex, 11);
DVR_PIN(DecoderRecord, decoderType, 12);
DVR_PIN(DecoderRecord, decoderAddress, 14);
DVR_PIN(DecoderRecord, reserved16, 16);

struct PtzProtocolEntry {
    std::uint32_t protocolCode;
    char protocolName[16];
};
DVR_SIZE(PtzProtocolEntry, 20);
DVR_PIN(PtzProtocolEntry, protocolName, 4);

constexpr int PtzProtocolCapacity = 200;

struct PtzProtocolList {
    std::uint8_t reserved0[4];
    PtzProtocolEntry entries[PtzProtocolCapacity];
    std::uint32_t protocolCount; // at most 200
    std::uint8_t reserved4008[8];
};
DVR_SIZE(PtzProtocolList, 4016);
DVR_PIN(PtzProtocolList, entries, 4);
DVR_PIN(PtzProtocolList, protocolCount, 4004);
DVR_PIN(PtzProtocolList, reserved4008, 4008);

#pragma pack(pop)
