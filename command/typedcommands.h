#pragma once
// Typed forms of the command operations: the command type follows from the record.
#include "command/Configfuc.h"
#include "command/recordcommands.h"

// A caller may also name the command type (queueGet<cmd::Network>(…)) so that a sequence reads like the device's table,
// and then a record that the command does not carry fails to compile.
template <std::int32_t Get = 0, CommandRecord Record>
bool getRecord(std::int32_t login, std::int32_t channel, Record &record, const DecodeNote *note = nullptr)
{
    static_assert(Get == 0 || Get == getCommandOf<Record>, "this record is not fetched with that command type");
    return config_get_record(login, getCommandOf<Record>, channel, &record, note);
}

template <std::int32_t Get = 0, CommandRecord Record>
bool queueGet(std::int32_t login, std::int32_t channel, Record &record)
{
    static_assert(Get == 0 || Get == getCommandOf<Record>, "this record is not fetched with that command type");
    return config_queue_get(login, getCommandOf<Record>, channel, &record);
}

template <std::int32_t Set = 0, CommandRecord Record>
bool queueSet(std::int32_t login, std::int32_t channel, const Record &record)
{
    static_assert(Set == 0 || Set == setCommandOf<Record>, "this record is not sent with that command type");
    return config_queue_set(login, setCommandOf<Record>, channel, &record);
}

inline bool getPtzList(std::int32_t login, PtzProtocolList &list) { return config_get_ptz(login, &list); }
