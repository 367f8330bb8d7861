#pragma once
// Recording schedule editor: the weekly recording plan of one channel, edited in place.
#include "channel/channelrecords.h"

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Ui {
class TfrmSetRecPlan;
}

class TfrmSetRecPlan final : public QDialog {
    Q_OBJECT
public:
    TfrmSetRecPlan(QWidget *owner, ChannelRecordingRecord *record);
    ~TfrmSetRecPlan() override;

private:
    std::unique_ptr<Ui::TfrmSetRecPlan> ui_;
};
