#include "model/fullload.h"

namespace model {

LoadStop fullLoad(DvrRecords &r, std::int32_t login, SdkProgressCallback progress, void *context)
{
    const DecodeNote note = r.decodeNote();
    const RecordKind &device = catalogue().front();
    if (!device.get(login, 0, r, 0, &note, true))
        return device.single;
    for (const RecordSlot &s : fullLoadOrder(r)) {
        if (s.kind == &device)
            continue;
        if (s.kind->single == LoadStop::None) {
            s.kind->get(login, s.channel, r, s.slot, nullptr, false);
        } else if (!s.kind->get(login, s.channel, r, s.slot, &note, true)) {
            config_clear_queue();
            return s.kind->single;
        }
    }
    return config_run_get_batch(progress, context, &note) ? LoadStop::None : LoadStop::Batch;
}

} // namespace model
