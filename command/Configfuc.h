#pragma once
// Configuration commands to the device through the client SDK: single requests, and one queue
// of requests sent as one batch. Every operation returns false on any failure and shows nothing.
#include "sdk/quellport.h"

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int CommandQueueCapacity = 200;

// Pending requests of one batch; module state used by one dialog at a time. The queue does not
// own the records it points to.
struct CommandQueue {
    std::int32_t loginHandle = -1;
    std::int32_t count = 0;
    std::int32_t commandType[CommandQueueCapacity] = {};
    std::int32_t channel[CommandQueueCapacity] = {};
    void *record[CommandQueueCapacity] = {};
};

// Told of every get answer that passed its checks: the record it was decoded into, how many bytes
// its payload held and the record's size. A payload shorter than the record leaves the record's
// tail as it was, so its owner knows those bytes are not the device's.
struct DecodeNote {
    void (*decoded)(void *owner, const void *record, std::size_t bytes, std::size_t recordSize) = nullptr;
    void *owner = nullptr;
};

bool config_get_record(std::int32_t login, std::int32_t commandType, std::int32_t channel, void *destination,
                       const DecodeNote *note = nullptr);
bool config_queue_get(std::int32_t login, std::int32_t commandType, std::int32_t channel, void *destination);
bool config_run_get_batch(SdkProgressCallback progress, void *context, const DecodeNote *note = nullptr);
bool config_queue_set(std::int32_t login, std::int32_t commandType, std::int32_t channel, const void *source);
bool config_run_set_batch(SdkProgressCallback progress, void *context);
bool config_get_scale(std::int32_t login, std::int32_t *scaleFlag);
bool config_set_scale(std::int32_t login, const std::int32_t *scaleFlag);
bool config_restore(std::int32_t login);
bool config_get_ptz(std::int32_t login, void *destination);

// Drops every queued entry; called when a sequence stops early and when the dialog closes, so
// no entry outlives the records it points to.
void config_clear_queue();
const CommandQueue &config_queue();

// Request texts exactly as they go to the device (without the terminating NUL). Empty when the
// request would not fit its buffer.
std::string format_get_request(std::int32_t commandType, std::int32_t channel);
std::string format_set_request(std::int32_t commandType, std::int32_t channel, const void *record);
std::string format_get_scale_request();
std::string format_set_scale_request(std::int32_t scaleFlag);
std::string format_restore_request();
std::string format_ptz_request();
