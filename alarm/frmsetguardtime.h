#pragma once
// Arming-schedule editor: edits one day of a weekly ScheduleRecord at a time, in place.
#include "alarm/alarmhandling.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QSpinBox;
namespace Ui {
class TfrmSetGuardTime;
}

class TfrmSetGuardTime final : public QDialog {
    Q_OBJECT
public:
    // The schedule is not owned; OK and Copy write into it directly.
    TfrmSetGuardTime(QWidget *owner, int kind, ScheduleRecord *schedule);
    ~TfrmSetGuardTime() override;

    // Handlers.
    void FormCreate();
    void cbbDateChange();
    void chkTime1Click(QObject *sender); // shared by chkTime1..4; the segment is the sender's "tag"
    bool SaveCurrentDay();
    void btnOKClick();
    void btnCopyClick();
    void btnCancelClick();

private:
    QCheckBox *segmentBox(int n) const;
    QSpinBox *segmentSpin(const char *prefix, int n) const;

    std::unique_ptr<Ui::TfrmSetGuardTime> ui_;
    int kind_;
    ScheduleRecord *schedule_;
};
