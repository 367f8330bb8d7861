#pragma once
// Detection area editor over live video: motion cells, occlusion rectangle and privacy masks.
#include "channel/channelrecords.h"

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Ui {
class TfrmSetArea;
}

class TfrmSetArea final : public QDialog {
    Q_OBJECT
public:
    TfrmSetArea(QWidget *owner, int channelPosition, std::int32_t login, int kind, ChannelPictureRecord *record);
    ~TfrmSetArea() override;

private:
    std::unique_ptr<Ui::TfrmSetArea> ui_;
};
