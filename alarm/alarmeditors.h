#pragma once
// Openers of the arming-schedule and linkage editors shared by the channel and alarm pages.
// Each runs its dialog modally on pointers into the caller's working records; the result is
// ignored because the dialogs write in place and the page sends the record on its next save.
#include "alarm/alarmrecords.h"

#include <QString>

#include <cstdint>

class QWidget;

// Caption suffix naming the alarm source ("－移动侦测" ...); empty for kinds without one.
QString alarmKindSuffix(int kind);

void openGuardTimeEditor(QWidget *parent, int kind, ScheduleRecord *schedule);

// recordChannel is the 64-byte record-channel array, ptzRecord the alarm-input record holding
// the PTZ link arrays; either may be null. Which of them the dialog uses depends on the kind.
void openLinkTypeEditor(QWidget *parent, int channelCount, AlarmInRecord *ptzRecord, std::uint8_t *recordChannel,
                        int kind, AlarmHandling *handling);
