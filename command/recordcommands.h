#pragma once
// The one place that pairs each native record with the command type that fetches it (the set
// type is the get type + 1). Each pairing is checked at compile time against the set-size table
// and the record's size. The dialog queues records only through the typed helpers of
// command/typedcommands.h, and the simulated recorder finds its records by the same pairing, so a
// record can never be sent or filled under another record's command type.
#include "alarm/alarmrecords.h"
#include "alarm/emailrecord.h"
#include "channel/channelrecords.h"
#include "command/commandtypes.h"
#include "device/diskrecords.h"
#include "device/networkrecords.h"
#include "device/serialrecords.h"
#include "device/serverrecords.h"

#include <cstdint>

template <typename Record> struct RecordCommand; // defined only for the records listed below

#define DVR_RECORD_COMMAND(Record, getType)                                                                            \
    template <> struct RecordCommand<Record> {                                                                         \
        static constexpr std::int32_t get = (getType);                                                                 \
        static constexpr std::int32_t set = cmd::set(getType);                                                         \
    };                                                                                                                 \
    static_assert(set_record_size(cmd::set(getType)) == sizeof(Record), #Record " differs from its set command's "     \
                                                                                "size")

DVR_RECORD_COMMAND(DeviceInfoRecord, cmd::DeviceInfo);
DVR_RECORD_COMMAND(NetworkRecord, cmd::Network);
DVR_RECORD_COMMAND(ChannelPictureRecord, cmd::ChannelPicture);
DVR_RECORD_COMMAND(ChannelRecordingRecord, cmd::ChannelRecording);
DVR_RECORD_COMMAND(ChannelCompressionRecord, cmd::ChannelCompression);
DVR_RECORD_COMMAND(ChannelTextOverlayRecord, cmd::ChannelTextOverlay);
DVR_RECORD_COMMAND(DnsNtpRecord, cmd::DnsNtp);
DVR_RECORD_COMMAND(NfsRecord, cmd::Nfs);
DVR_RECORD_COMMAND(DdnsRecord, cmd::Ddns);
DVR_RECORD_COMMAND(EmailRecord, cmd::Email);
DVR_RECORD_COMMAND(Rs232Record, cmd::Rs232);
DVR_RECORD_COMMAND(DecoderRecord, cmd::Decoder);
DVR_RECORD_COMMAND(AlarmInRecord, cmd::AlarmIn);
DVR_RECORD_COMMAND(AlarmOutRecord, cmd::AlarmOut);
DVR_RECORD_COMMAND(ExceptionRecord, cmd::Exception);
DVR_RECORD_COMMAND(DiskRecord, cmd::Disk);
DVR_RECORD_COMMAND(DiskGroupRecord, cmd::DiskGroup);
#undef DVR_RECORD_COMMAND

// The PTZ protocol list travels by its own query, not by a command type.
static_assert(sizeof(PtzProtocolList) == PtzListSize, "PtzProtocolList differs from the PTZ answer's size");

template <typename Record>
concept CommandRecord = requires
{
    RecordCommand<Record>::get;
};

template <CommandRecord Record> constexpr std::int32_t getCommandOf = RecordCommand<Record>::get;
template <CommandRecord Record> constexpr std::int32_t setCommandOf = RecordCommand<Record>::set;
