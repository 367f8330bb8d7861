#pragma once
// E-mail notification settings.
#include "command/recordcheck.h"

#pragma pack(push, 1)

struct EmailRecord {
    std::uint8_t reserved0[4];
    char account[32];
    char password[32];
    char senderName[32];
    char senderAddress[48];
    char receiverName[2][32];
    char receiverAddress[2][48];
    char mailServer[32];
    std::uint8_t serverType; // 0 SMTP
    std::uint8_t serverAuth;
    std::uint8_t sendAttachment;
    std::uint8_t sendInterval; // 0 = 2 s .. 3 = 5 s
};
DVR_SIZE(EmailRecord, 344);
DVR_PIN(EmailRecord, account, 4);
DVR_PIN(EmailRecord, password, 36);
DVR_PIN(EmailRecord, senderName, 68);
DVR_PIN(EmailRecord, senderAddress, 100);
DVR_PIN(EmailRecord, receiverName, 148);
DVR_PIN(EmailRecord, receiverAddress, 212);
DVR_PIN(EmailRecord, mailServer, 308);
DVR_PIN(EmailRecord, serverType, 340);
DVR_PIN(EmailRecord, serverAuth, 341);
DVR_PIN(EmailRecord, sendAttachment, 342);
DVR_PIN(EmailRecord, sendInterval, 343);

#pragma pack(pop)
