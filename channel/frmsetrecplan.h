#pragma once
// Recording schedule editor: the weekly recording plan of one channel, edited in place.
#include "channel/channelrecords.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <memory>

class QCheckBox;
class QComboBox;
class QSpinBox;
namespace Ui {
class TfrmSetRecPlan;
}

class TfrmSetRecPlan final : public QDialog {
    Q_OBJECT
public:
    // The record is not owned; OK and Copy write its recording plan directly.
    TfrmSetRecPlan(QWidget *owner, ChannelRecordingRecord *record);
    ~TfrmSetRecPlan() override;

    // Handlers.
    void FormCreate();
    void cbbDateChange();
    void cbbRecModeChange();
    void ShowRecordingSegment(int k);
    void chkTime1MouseUp(QObject *sender);     // shared by chkTime1..4; the segment is the sender's "tag"
    void speStartHour1Change(QObject *sender); // shared by the start-hour spin edits
    void speEndHour1Change(QObject *sender);   // shared by the end-hour spin edits
    bool StoreRecordingDay();
    void btnOKClick();
    void btnCopyClick();
    void btnCancelClick();

private:
    struct Segment {
        QCheckBox *box;
        QSpinBox *startHour, *startMinute, *endHour, *endMinute;
        QComboBox *type;
    };
    int shownDay() const; // -1 unless a day is selected
    bool allDayShown() const;
    static void hourRule(const QSpinBox *hour, QSpinBox *minute);
    int segmentOf(QObject *sender) const;

    std::unique_ptr<Ui::TfrmSetRecPlan> ui_;
    ChannelRecordingRecord *record_;
    std::array<Segment, 4> segments_{};
};
