#pragma once
// Factory configuration of a simulated recorder: believable values in every field the dialog
// interprets, and a fixed pseudo-random pattern in every byte it does not, so a round trip
// shows any byte the dialog changes by mistake.
#include "alarm/alarmrecords.h"
#include "alarm/emailrecord.h"
#include "channel/channelrecords.h"
#include "device/diskrecords.h"
#include "device/networkrecords.h"
#include "device/serialrecords.h"
#include "device/serverrecords.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dvrsim {

struct Profile {
    std::uint8_t deviceType = 82; // a recorder with disks (81..97)
    int channels = 8;             // may exceed the dialog's 16 slots, up to 255
    int firstChannel = 1;
    int alarmIn = 8;
    int alarmOut = 4;
    int disks = 4; // at most 33
    // "ptzcodes=shuffled": a few protocols are listed at positions other than their codes, as
    // some recorders do, so a dialog that confuses the two shows it.
    bool shuffledPtzCodes = false;
    // Which recorder of a fleet this is (0..255): 0 is the stock recorder, every other index
    // derives a serial number, name, device number, address and MAC of its own, so a fleet's
    // recorders can be told apart.
    int identity = 0;
    // Overrides of the derived values; empty: derived from the identity.
    std::string serial; // printable ASCII, up to the field's 48 bytes
    std::string name;   // UTF-8, up to 32 bytes once in GBK
    std::string ip;     // dotted quad
};

struct DeviceState {
    DeviceInfoRecord info;
    NetworkRecord network;
    DnsNtpRecord dnsNtp;
    NfsRecord nfs;
    DdnsRecord ddns;
    EmailRecord email;
    Rs232Record rs232;
    PtzProtocolList ptz;
    DiskRecord disk;
    DiskGroupRecord diskGroup;
    ExceptionRecord exception;
    std::vector<ChannelPictureRecord> picture; // one per channel
    std::vector<ChannelRecordingRecord> recording;
    std::vector<ChannelCompressionRecord> compression;
    std::vector<ChannelTextOverlayRecord> textOverlay;
    std::vector<DecoderRecord> decoder;
    std::vector<AlarmInRecord> alarmIn;   // one per alarm input
    std::vector<AlarmOutRecord> alarmOut; // one per alarm output
    std::int32_t scale = 1;
};

// The same profile always gives the same bytes.
DeviceState makeFactoryState(const Profile &profile);

// Reads a profile query ("type=82&channels=8&first=1&alarmin=8&alarmout=4&disks=4&reboot_ms=1500",
// optionally "&ptzcodes=shuffled" or "&ptzcodes=positions", "&id=N", "&serial=S", "&name=N",
// "&ip=A.B.C.D");
// keys left out keep their values, rebootMs is left alone unless given. False on an unknown key
// or a value out of range.
bool parseProfile(std::string_view query, Profile &profile, int &rebootMs);

// The 88 protocol names of the factory PTZ list, codes equal to positions unless shuffled.
extern const char *const PtzProtocolNames[88];

} // namespace dvrsim
