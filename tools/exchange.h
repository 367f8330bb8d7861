#pragma once
// One pipelined batch of mixed requests: gets of records (the scale setting and the PTZ list by
// their own queries), sets of records and the scale write, all in one SDK call. Each answer goes
// to its own handler, in order, also when the call failed part-way: an answer that never came
// is handed over empty.
#include "model/catalogue.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dvrcfg {

// What an answer says: taken, refused (a whole result other than "ok"), or lost (none came, or
// it came cut short or garbled: whether the command was carried out is not known).
enum class Answer { Ok, Refused, Lost };

// The request that fetches a record from the channel argument `channel`, or sends `record` (the
// kind's size in bytes, as DvrRecords holds it); empty when there is none (the PTZ list is never
// sent) or it would not fit its buffer.
std::string getRequest(const model::RecordKind &kind, int channel);
std::string setRequest(const model::RecordKind &kind, int channel, const std::uint8_t *record);
// Decodes a get answer into `record` (the kind's size); `decoded` receives the bytes its payload
// held (the whole size for the scale setting). Nothing is written unless the answer is Ok.
Answer takeGet(const model::RecordKind &kind, const char *answer, std::uint8_t *record, std::size_t &decoded);
Answer takeSet(const model::RecordKind &kind, const char *answer);

class Exchange {
public:
    using Handler = std::function<void(const char *answer)>;

    // False, queueing nothing, for an empty request.
    bool add(std::string request, Handler handle);
    // A get whose answer is decoded into `record` (which must outlive run) before `done` hears of it.
    bool get(const model::RecordKind &kind, int channel, std::uint8_t *record,
             std::function<void(Answer, std::size_t decoded)> done);
    // A set of `record` as it is now (the request is made at once).
    bool set(const model::RecordKind &kind, int channel, const std::uint8_t *record, std::function<void(Answer)> done);

    std::size_t size() const { return requests_.size(); }
    // Sends what is queued as one batch and hands every answer to its handler, in order; false
    // when the call failed (or there was no call to make it). Empty afterwards.
    bool run(std::int32_t login);

private:
    std::vector<std::string> requests_;
    std::vector<Handler> handlers_;
};

} // namespace dvrcfg
