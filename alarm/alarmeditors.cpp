#include "alarm/alarmeditors.h"

#include "alarm/frmsetguardtime.h"
#include "alarm/frmsetlinktype.h"

QString alarmKindSuffix(int kind)
{
    switch (kind) {
    case MotionDetection: return QStringLiteral("－移动侦测");
    case VideoLoss: return QStringLiteral("－视频丢失");
    case OcclusionAlarm: return QStringLiteral("－遮挡报警");
    case AlarmInput: return QStringLiteral("－报警输入");
    default: return {};
    }
}

void openGuardTimeEditor(QWidget *parent, int kind, ScheduleRecord *schedule)
{
    TfrmSetGuardTime dialog(parent, kind, schedule);
    dialog.exec();
}

void openLinkTypeEditor(QWidget *parent, int channelCount, AlarmInRecord *ptzRecord, std::uint8_t *recordChannel,
                        int kind, AlarmHandling *handling)
{
    TfrmSetLinkType dialog(parent, channelCount, ptzRecord, recordChannel, kind, handling);
    dialog.exec();
}
