#pragma once
// What each tab of the main dialog supplies to the load/save cycle.
#include <cstdint>

class ConfigPage {
public:
    virtual ~ConfigPage() = default;

    // Records into controls; also renews the page's baseline copies.
    virtual void fill() = 0;
    // Validates with one message and focus, then controls into records. False stops the save
    // and has written nothing.
    virtual bool collect() = 0;
    // The page's share of a refresh: the records it queues, in order (single commands it
    // needs run at once and report their own failure).
    virtual void queueRefresh(std::int32_t login) = 0;
    // The page's share of a save: the restart rule against the baselines (sets `restart`),
    // then the records it queues. False ends the save without a message.
    virtual bool queueSave(std::int32_t login, bool &restart) = 0;
};
