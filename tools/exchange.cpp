#include "tools/exchange.h"

#include "command/Configfuc.h"
#include "command/Parsexml.h"
#include "command/commandtypes.h"
#include "command/sdkapi.h"

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace dvrcfg {
namespace {

// The two settings with queries of their own; every other row is a record of a command type.
bool isScale(const model::RecordKind &kind) { return kind.getType == 0 && std::strcmp(kind.name, "scale") == 0; }
bool isPtz(const model::RecordKind &kind) { return kind.getType == 0 && std::strcmp(kind.name, "ptz") == 0; }

// Only a whole result other than "ok" is a refusal; no answer, or one cut short or garbled,
// says nothing about whether the command was carried out.
Answer failure(const char *answer)
{
    const char *open = std::strstr(answer, "<result>");
    const char *close = open ? std::strstr(open, "</result>") : nullptr;
    return close && std::string_view(open + std::strlen("<result>"), close) != "ok" ? Answer::Refused : Answer::Lost;
}

// Answer buffers of the SDK's size, kept by each thread for its next batch, so their pages are
// made once; a batch's handlers run no batch of their own.
char *const *answerBuffers(std::size_t count)
{
    thread_local std::vector<std::unique_ptr<char[]>> kept;
    thread_local std::vector<char *> pointers;
    while (kept.size() < count) {
        kept.emplace_back(new char[SdkBufferSize]);
        pointers.push_back(kept.back().get());
    }
    return pointers.data();
}

} // namespace

std::string getRequest(const model::RecordKind &kind, int channel)
{
    if (isScale(kind))
        return format_get_scale_request();
    if (isPtz(kind))
        return format_ptz_request();
    return kind.getType != 0 ? format_get_request(kind.getType, channel) : std::string();
}

std::string setRequest(const model::RecordKind &kind, int channel, const std::uint8_t *record)
{
    if (isScale(kind)) {
        std::int32_t scaleFlag = 0;
        std::memcpy(&scaleFlag, record, sizeof scaleFlag);
        return format_set_scale_request(scaleFlag);
    }
    if (kind.getType == 0 || !kind.set)
        return {};
    return format_set_request(cmd::set(kind.getType), channel, record);
}

Answer takeGet(const model::RecordKind &kind, const char *answer, std::uint8_t *record, std::size_t &decoded)
{
    decoded = 0;
    bool ok;
    if (isScale(kind)) {
        std::int32_t scaleFlag = 0;
        ok = parse_get_scale_answer(answer, &scaleFlag);
        if (ok) {
            std::memcpy(record, &scaleFlag, sizeof scaleFlag);
            decoded = kind.size;
        }
    } else if (isPtz(kind)) {
        ok = parse_ptz_answer(answer, record, &decoded);
    } else {
        ok = kind.getType != 0 && parse_get_answer(answer, kind.getType, record, &decoded);
    }
    return ok ? Answer::Ok : failure(answer);
}

Answer takeSet(const model::RecordKind &kind, const char *answer)
{
    const bool ok = isScale(kind) ? parse_set_scale_answer(answer) : parse_set_answer(answer, cmd::set(kind.getType));
    return ok ? Answer::Ok : failure(answer);
}

bool Exchange::add(std::string request, Handler handle)
{
    if (request.empty())
        return false;
    requests_.push_back(std::move(request));
    handlers_.push_back(std::move(handle));
    return true;
}

bool Exchange::get(const model::RecordKind &kind, int channel, std::uint8_t *record,
                   std::function<void(Answer, std::size_t)> done)
{
    return add(getRequest(kind, channel), [&kind, record, done = std::move(done)](const char *answer) {
        std::size_t decoded = 0;
        const Answer a = takeGet(kind, answer, record, decoded);
        done(a, decoded);
    });
}

bool Exchange::set(const model::RecordKind &kind, int channel, const std::uint8_t *record,
                   std::function<void(Answer)> done)
{
    return add(setRequest(kind, channel, record),
               [&kind, done = std::move(done)](const char *answer) { done(takeSet(kind, answer)); });
}

bool Exchange::run(std::int32_t login)
{
    std::vector<std::string> requests = std::exchange(requests_, {});
    std::vector<Handler> handlers = std::exchange(handlers_, {});
    const std::size_t count = requests.size();
    if (count == 0)
        return true;
    std::vector<const char *> requestPointers(count);
    std::vector<std::int32_t> requestLengths(count);
    char *const *answers = answerBuffers(count);
    std::vector<std::int32_t> answerLengths(count, std::int32_t(SdkBufferSize));
    std::vector<std::int32_t *> answerLengthPointers(count);
    for (std::size_t i = 0; i < count; ++i) {
        requestPointers[i] = requests[i].c_str();
        requestLengths[i] = std::int32_t(requests[i].size() + 1);
        answers[i][0] = '\0'; // none came
        answerLengthPointers[i] = &answerLengths[i];
    }
    const SdkApi &api = sdk_api();
    const bool called = api.sendCommandBatch &&
                        api.sendCommandBatch(login, requestPointers.data(), requestLengths.data(), std::int32_t(count),
                                             answers, answerLengthPointers.data(), nullptr, nullptr) != 0;
    // The answers that came are looked at even when the call failed later on: they tell what
    // arrived. One that fills its buffer without an end is none.
    for (std::size_t i = 0; i < count; ++i) {
        const char *answer = answers[i];
        handlers[i](std::memchr(answer, '\0', SdkBufferSize) ? answer : "");
    }
    return called;
}

} // namespace dvrcfg
