#include "device/serialpage.h"

#include "command/Configfuc.h"
#include "command/commandtypes.h"

void SerialPage::queueRefresh(std::int32_t login)
{
    config_queue_get(login, cmd::Rs232, 0, &r_.rs232);
    for (int k = 0; k < r_.channelCount(); ++k)
        config_queue_get(login, cmd::Decoder, r_.firstChannel() + k, &r_.decoder[k]);
}

// Serial settings never need a restart.
bool SerialPage::queueSave(std::int32_t login, bool &)
{
    config_queue_set(login, cmd::set(cmd::Rs232), 0, &r_.rs232);
    for (int k = 0; k < r_.channelCount(); ++k)
        config_queue_set(login, cmd::set(cmd::Decoder), r_.firstChannel() + k, &r_.decoder[k]);
    return true;
}
