#include "alarm/alarmpage.h"

#include "command/Configfuc.h"
#include "command/commandtypes.h"
#include "shell/pagehelpers.h"

#include <algorithm>

void AlarmPage::renewBaselines()
{
    std::copy(std::begin(r_.alarmIn), std::end(r_.alarmIn), r_.alarmInBaseline);
    std::copy(std::begin(r_.alarmOut), std::end(r_.alarmOut), r_.alarmOutBaseline);
}

void AlarmPage::fill() { renewBaselines(); }

void AlarmPage::queueRefresh(std::int32_t login)
{
    for (int i = 0; i < r_.alarmInCount(); ++i)
        config_queue_get(login, cmd::AlarmIn, i, &r_.alarmIn[i]);
    for (int j = 0; j < r_.alarmOutCount(); ++j)
        config_queue_get(login, cmd::AlarmOut, j, &r_.alarmOut[j]);
    config_queue_get(login, cmd::Exception, 0, &r_.exception);
}

bool AlarmPage::queueSave(std::int32_t login, bool &restart)
{
    // The sensor type and the arming schedules need a restart; names, links and delays do not.
    bool changed = false;
    for (int i = 0; i < r_.alarmInCount() && !changed; ++i)
        changed = bytesDiffer(&r_.alarmIn[i], &r_.alarmInBaseline[i], offsetof(AlarmInRecord, sensorType), 1) ||
                  bytesDiffer(&r_.alarmIn[i], &r_.alarmInBaseline[i], offsetof(AlarmInRecord, schedule),
                              sizeof(ScheduleRecord));
    for (int j = 0; j < r_.alarmOutCount() && !changed; ++j)
        changed = bytesDiffer(&r_.alarmOut[j], &r_.alarmOutBaseline[j], offsetof(AlarmOutRecord, schedule),
                              sizeof(ScheduleRecord));
    if (changed) {
        renewBaselines();
        restart = true;
    }
    for (int i = 0; i < r_.alarmInCount(); ++i)
        config_queue_set(login, cmd::set(cmd::AlarmIn), i, &r_.alarmIn[i]);
    for (int j = 0; j < r_.alarmOutCount(); ++j)
        config_queue_set(login, cmd::set(cmd::AlarmOut), j, &r_.alarmOut[j]);
    config_queue_set(login, cmd::set(cmd::Exception), 0, &r_.exception);
    return true;
}
