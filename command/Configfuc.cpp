#include "command/Configfuc.h"

#include "command/Parsexml.h"
#include "command/commandtypes.h"
#include "command/sdkapi.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace {

// One queue per thread: a tool may run full loads of several recorders side by side.
thread_local CommandQueue g_queue;

#define XML_HEAD "<?xml version=\"1.0\"?>\n<command name=\"config\">\n"

// Bounded print into a request buffer; a request that does not fit is never sent truncated.
template <typename... Args> std::string formatRequest(const char *format, Args... args)
{
    // Formatted in one reusable buffer; each request then keeps only its own bytes.
    thread_local std::unique_ptr<char[]> buffer(new char[SdkBufferSize]);
    int n = std::snprintf(buffer.get(), SdkBufferSize, format, args...);
    if (n < 0 || std::size_t(n) >= SdkBufferSize)
        return {};
    return std::string(buffer.get(), std::size_t(n));
}

std::string functionOnlyRequest(const char *function)
{
    return formatRequest(XML_HEAD "\t<function>%s</function>\n</command>", function);
}

// One request through the single-command call; the answer is handed to `parse`.
template <typename Parse> bool sendSingle(std::int32_t login, const std::string &request, Parse parse)
{
    const SdkApi &api = sdk_api();
    if (request.empty() || !api.sendCommand)
        return false;
    std::unique_ptr<char[]> answer(new char[SdkBufferSize]);
    answer[0] = '\0';
    std::int32_t answerLength = std::int32_t(SdkBufferSize);
    if (api.sendCommand(login, request.c_str(), std::int32_t(request.size() + 1), answer.get(), &answerLength) == 0)
        return false;
    return parse(answer.get());
}

bool queueEntry(std::int32_t login, std::int32_t commandType, std::int32_t channel, void *record)
{
    if (g_queue.count >= CommandQueueCapacity)
        return false;
    g_queue.loginHandle = login;
    g_queue.commandType[g_queue.count] = commandType;
    g_queue.channel[g_queue.count] = channel;
    g_queue.record[g_queue.count] = record;
    ++g_queue.count;
    return true;
}

// Sends every queued entry in one SDK call and checks the answers in queue order, stopping at
// the first that fails. The queue is empty afterwards, whatever the outcome.
void tell(const DecodeNote *note, const void *record, std::size_t bytes, std::int32_t commandType)
{
    if (note && note->decoded)
        note->decoded(note->owner, record, bytes, get_record_size(commandType));
}

bool runBatch(bool isSet, SdkProgressCallback progress, void *context, const DecodeNote *note = nullptr)
{
    const CommandQueue q = g_queue;
    config_clear_queue();
    if (q.count == 0)
        return true; // nothing to send, nothing failed
    const SdkApi &api = sdk_api();
    if (!api.sendCommandBatch)
        return false;

    const auto count = std::size_t(q.count);
    std::vector<std::string> requests(count);
    std::vector<const char *> requestPointers(count);
    std::vector<std::int32_t> requestLengths(count);
    std::vector<std::unique_ptr<char[]>> answers(count);
    std::vector<char *> answerPointers(count);
    std::vector<std::int32_t> answerLengths(count, std::int32_t(SdkBufferSize));
    std::vector<std::int32_t *> answerLengthPointers(count);
    for (std::size_t i = 0; i < count; ++i) {
        requests[i] = isSet ? format_set_request(q.commandType[i], q.channel[i], q.record[i])
                            : format_get_request(q.commandType[i], q.channel[i]);
        if (requests[i].empty())
            return false;
        requestPointers[i] = requests[i].c_str();
        requestLengths[i] = std::int32_t(requests[i].size() + 1);
        answers[i].reset(new char[SdkBufferSize]);
        answers[i][0] = '\0';
        answerPointers[i] = answers[i].get();
        answerLengthPointers[i] = &answerLengths[i];
    }
    if (api.sendCommandBatch(q.loginHandle, requestPointers.data(), requestLengths.data(), q.count,
                             answerPointers.data(), answerLengthPointers.data(), progress, context) == 0)
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t decoded = 0;
        const bool ok = isSet ? parse_set_answer(answers[i].get(), q.commandType[i])
                              : parse_get_answer(answers[i].get(), q.commandType[i], q.record[i], &decoded);
        if (!ok)
            return false;
        if (!isSet)
            tell(note, q.record[i], decoded, q.commandType[i]);
    }
    return true;
}

} // namespace

std::string format_get_request(std::int32_t commandType, std::int32_t channel)
{
    return formatRequest(XML_HEAD "\t<function>get_dvr_config</function>\n"
                                  "    <command_type>%d</command_type>\n"
                                  "    <channel>%d</channel>\n"
                                  "</command>",
                         commandType, channel);
}

std::string format_set_request(std::int32_t commandType, std::int32_t channel, const void *record)
{
    const std::size_t size = set_record_size(commandType);
    std::string hex(2 * size + 1, '\0');
    if (size > 0 && !hex_encode(record, size, hex.data(), nullptr))
        return {};
    return formatRequest(XML_HEAD "\t<function>set_dvr_config</function>\n"
                                  "    <command_type>%d</command_type>\n"
                                  "    <channel>%d</channel>\n"
                                  "    <in_buffer>%s</in_buffer>\n"
                                  "</command>",
                         commandType, channel, hex.c_str());
}

std::string format_get_scale_request() { return functionOnlyRequest("get_scale_config"); }

std::string format_set_scale_request(std::int32_t scaleFlag)
{
    return formatRequest(XML_HEAD "\t<function>set_scale_config</function>\n"
                                  "    <scale>%s</scale>\n"
                                  "</command>",
                         scaleFlag == 1 ? "true" : "false");
}

std::string format_restore_request() { return functionOnlyRequest("restore_config"); }

std::string format_ptz_request() { return functionOnlyRequest("get_ptz_config"); }

bool config_get_record(std::int32_t login, std::int32_t commandType, std::int32_t channel, void *destination,
                       const DecodeNote *note)
{
    return sendSingle(login, format_get_request(commandType, channel), [&](const char *answer) {
        std::size_t decoded = 0;
        if (!parse_get_answer(answer, commandType, destination, &decoded))
            return false;
        tell(note, destination, decoded, commandType);
        return true;
    });
}

bool config_queue_get(std::int32_t login, std::int32_t commandType, std::int32_t channel, void *destination)
{
    return queueEntry(login, commandType, channel, destination);
}

bool config_run_get_batch(SdkProgressCallback progress, void *context, const DecodeNote *note)
{
    return runBatch(false, progress, context, note);
}

bool config_queue_set(std::int32_t login, std::int32_t commandType, std::int32_t channel, const void *source)
{
    return queueEntry(login, commandType, channel, const_cast<void *>(source));
}

bool config_run_set_batch(SdkProgressCallback progress, void *context) { return runBatch(true, progress, context); }

bool config_get_scale(std::int32_t login, std::int32_t *scaleFlag)
{
    if (!scaleFlag)
        return false;
    return sendSingle(login, format_get_scale_request(),
                      [&](const char *answer) { return parse_get_scale_answer(answer, scaleFlag); });
}

bool config_set_scale(std::int32_t login, const std::int32_t *scaleFlag)
{
    if (!scaleFlag)
        return false;
    return sendSingle(login, format_set_scale_request(*scaleFlag), parse_set_scale_answer);
}

bool config_restore(std::int32_t login) { return sendSingle(login, format_restore_request(), parse_restore_answer); }

bool config_get_ptz(std::int32_t login, void *destination)
{
    return sendSingle(login, format_ptz_request(),
                      [&](const char *answer) { return parse_ptz_answer(answer, destination); });
}

void config_clear_queue() { g_queue.count = 0; }

const CommandQueue &config_queue() { return g_queue; }
