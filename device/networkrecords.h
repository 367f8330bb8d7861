#pragma once
// Addressing, PPPoE, DNS/NTP, NFS and dynamic DNS records of the server and network pages.
#include "command/recordcheck.h"

#pragma pack(push, 1)

struct NetworkRecord {
    std::uint8_t reserved0[4];
    char deviceIp[16];
    std::uint8_t reserved20[128];
    char ipMask[16];
    std::uint8_t reserved164[128];
    std::uint32_t nicType; // 1..6
    std::uint16_t devicePort;
    std::uint8_t reserved298[2];
    std::uint8_t macAddress[6];
    std::uint8_t reserved306[594];
    char manageHostIp[16];
    std::uint8_t reserved916[132];
    std::uint16_t manageHostPort;
    std::uint8_t reserved1050[290];
    char ipServerAddress[16];
    std::uint8_t reserved1356[50];
    std::uint16_t httpPort;
    char multicastIp[16];
    std::uint8_t reserved1424[128];
    char gatewayIp[16];
    std::uint8_t reserved1568[128];
    std::uint32_t pppoeEnable;
    char pppoeUser[32];
    char pppoePassword[16];
    char pppoeAddress[16];
    std::uint8_t reserved1764[192];
};
DVR_SIZE(NetworkRecord, 1956);
DVR_PIN(NetworkRecord, deviceIp, 4);
DVR_PIN(NetworkRecord, reserved20, 20);
DVR_PIN(NetworkRecord, ipMask, 148);
DVR_PIN(NetworkRecord, reserved164, 164);
DVR_PIN(NetworkRecord, nicType, 292);
DVR_PIN(NetworkRecord, devicePort, 296);
DVR_PIN(NetworkRecord, reserved298, 298);
DVR_PIN(NetworkRecord, macAddress, 300);
DVR_PIN(NetworkRecord, reserved306, 306);
DVR_PIN(NetworkRecord, manageHostIp, 900);
DVR_PIN(NetworkRecord, reserved916, 916);
DVR_PIN(NetworkRecord, manageHostPort, 1048);
DVR_PIN(NetworkRecord, reserved1050, 1050);
DVR_PIN(NetworkRecord, ipServerAddress, 1340);
DVR_PIN(NetworkRecord, reserved1356, 1356);
DVR_PIN(NetworkRecord, httpPort, 1406);
DVR_PIN(NetworkRecord, multicastIp, 1408);
DVR_PIN(NetworkRecord, reserved1424, 1424);
DVR_PIN(NetworkRecord, gatewayIp, 1552);
DVR_PIN(NetworkRecord, reserved1568, 1568);
DVR_PIN(NetworkRecord, pppoeEnable, 1696);
DVR_PIN(NetworkRecord, pppoeUser, 1700);
DVR_PIN(NetworkRecord, pppoePassword, 1732);
DVR_PIN(NetworkRecord, pppoeAddress, 1748);
DVR_PIN(NetworkRecord, reserved1764, 1764);

struct DnsNtpRecord {
    std::uint8_t reserved0[4];
    char dnsServer[16];
    char ntpServer[64];
    std::uint16_t ntpInterval; // hours
    std::uint8_t ntpEnable;
    std::int8_t utcOffsetHours;   // -12..13
    std::int8_t utcOffsetMinutes; // 0..59
    std::uint8_t reserved89[603];
};
DVR_SIZE(DnsNtpRecord, 692);
DVR_PIN(DnsNtpRecord, dnsServer, 4);
DVR_PIN(DnsNtpRecord, ntpServer, 20);
DVR_PIN(DnsNtpRecord, ntpInterval, 84);
DVR_PIN(DnsNtpRecord, ntpEnable, 86);
DVR_PIN(DnsNtpRecord, utcOffsetHours, 87);
DVR_PIN(DnsNtpRecord, utcOffsetMinutes, 88);
DVR_PIN(DnsNtpRecord, reserved89, 89);

struct NfsEntry {
    char nfsServer[16];
    char nfsDirectory[128];
};
DVR_SIZE(NfsEntry, 144);
DVR_PIN(NfsEntry, nfsDirectory, 16);

struct NfsRecord {
    std::uint8_t reserved0[4];
    NfsEntry entries[8];
};
DVR_SIZE(NfsRecord, 1156);
DVR_PIN(NfsRecord, entries, 4);

struct DdnsRecord {
    std::uint8_t ddnsEnable;
    std::uint8_t ddnsServerType; // 0 Korvane DNS, 1 Dyndns, 2 PeanutHull
    std::uint8_t reserved2[2];
    char ddnsUser[32];
    char ddnsPassword[16];
    char ddnsDomain[64];
    char ddnsServerAddress[64];
    std::uint16_t ddnsPort;
    std::uint8_t reserved182[1718];
};
DVR_SIZE(DdnsRecord, 1900);
DVR_PIN(DdnsRecord, ddnsServerType, 1);
DVR_PIN(DdnsRecord, reserved2, 2);
DVR_PIN(DdnsRecord, ddnsUser, 4);
DVR_PIN(DdnsRecord, ddnsPassword, 36);
DVR_PIN(DdnsRecord, ddnsDomain, 52);
DVR_PIN(DdnsRecord, ddnsServerAddress, 116);
DVR_PIN(DdnsRecord, ddnsPort, 180);
DVR_PIN(DdnsRecord, reserved182, 182);

#pragma pack(pop)
