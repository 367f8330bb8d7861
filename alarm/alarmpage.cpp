#include "alarm/alarmpage.h"

#include "command/typedcommands.h"
#include "shell/pagehelpers.h"

#include "ui_alarmpage.h"

#include <algorithm>

AlarmPage::AlarmPage(const PageContext &context) : ConfigPage(context), ui_(std::make_unique<Ui::AlarmPage>())
{
    ui_->setupUi(this);
}

AlarmPage::~AlarmPage() = default;

void AlarmPage::renewBaselines()
{
    std::copy(std::begin(r_.alarmIn), std::end(r_.alarmIn), r_.alarmInBaseline);
    std::copy(std::begin(r_.alarmOut), std::end(r_.alarmOut), r_.alarmOutBaseline);
}

void AlarmPage::fill() { renewBaselines(); }

void AlarmPage::queueRefresh()
{
    for (int i = 0; i < r_.alarmInCount(); ++i)
        queueGet(login(), i, r_.alarmIn[i]);
    for (int j = 0; j < r_.alarmOutCount(); ++j)
        queueGet(login(), j, r_.alarmOut[j]);
    queueGet(login(), 0, r_.exception);
}

bool AlarmPage::queueSave(bool &restart)
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
        queueSet(login(), i, r_.alarmIn[i]);
    for (int j = 0; j < r_.alarmOutCount(); ++j)
        queueSet(login(), j, r_.alarmOut[j]);
    queueSet(login(), 0, r_.exception);
    return true;
}
