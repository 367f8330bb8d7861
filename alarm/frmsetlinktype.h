#pragma once
// Alarm linkage editor: the reaction flags, alarm outputs, record channels and, for alarm
// inputs, the PTZ links of one alarm source, edited in place.
#include "alarm/alarmrecords.h"

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Ui {
class TfrmSetLinkType;
}

class TfrmSetLinkType final : public QDialog {
    Q_OBJECT
public:
    // Nothing is owned. recordChannel is a 64-byte array; ptzRecord carries the PTZ link
    // arrays. The kind decides which pointers are kept: 0 handling and record channels, 1 and
    // 2 handling only, 10 all three. Channel counts above 16 are taken as 16.
    TfrmSetLinkType(QWidget *owner, int channelCount, AlarmInRecord *ptzRecord, std::uint8_t *recordChannel, int kind,
                    AlarmHandling *handling);
    ~TfrmSetLinkType() override;

    // Handlers.
    void FormCreate();
    void chkLinkAlarmOutClick();
    void btnSelectAllClick(QObject *sender); // shared by both select buttons: "tag" 1 checks, 0 clears
    void cbbLinkChanChange();
    void ShowPtzLink();
    void chkPreSetMouseUp();
    void chkCruiseMouseUp();
    void chkTrackMouseUp();
    void btnOKClick();
    void btnCancelClick();

private:
    int ptzSlot() const;
    bool allChannelsSelected() const;
    void storePtz(int slot);

    std::unique_ptr<Ui::TfrmSetLinkType> ui_;
    int channelCount_;
    AlarmInRecord *ptz_;
    std::uint8_t *recordChannel_;
    int kind_;
    AlarmHandling *handling_;
};
