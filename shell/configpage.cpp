#include "shell/configpage.h"

#include "shell/notifier.h"

QString loadStopText(model::LoadStop stop)
{
    switch (stop) {
    case model::LoadStop::DeviceInfo: return QStringLiteral("获取服务器配置信息失败!");
    case model::LoadStop::Scale: return QStringLiteral("获取缩放设置失败!");
    case model::LoadStop::Ptz: return QStringLiteral("获取解码器设置信息失败!");
    case model::LoadStop::Batch: return QStringLiteral("获取设置信息失败!");
    case model::LoadStop::None: break;
    }
    return {};
}

void ConfigPage::queueRefresh()
{
    const DecodeNote note = r_.decodeNote();
    for (const model::RecordSlot &s : model::refreshOf(page_, r_)) {
        if (s.kind->single == model::LoadStop::None) {
            s.kind->get(login(), s.channel, r_, s.slot, nullptr, false);
        } else if (!s.kind->get(login(), s.channel, r_, s.slot, &note, true)) {
            showMessage(dialog(), loadStopText(s.kind->single));
            return;
        }
    }
}

bool ConfigPage::queueSave(bool &restart)
{
    const std::vector<model::RecordSlot> sent = model::saveOf(page_, r_);
    // A record that arrived short would go back with bytes the device never sent.
    for (const model::RecordSlot &s : sent) {
        if (!r_.receivedWhole(s.kind->at(r_, s.slot))) {
            showMessage(dialog(), incompleteRecordsText());
            return false;
        }
    }
    restart = model::restartAsked(sent, r_);
    for (const model::RecordSlot &s : sent) {
        if (s.kind->getType == 0) { // no record: a query of its own
            if (!sendAtOnce(s))
                return false;
        } else {
            s.kind->set(login(), s.channel, r_, s.slot, false);
        }
    }
    return true;
}

void ConfigPage::renewBaselines() { model::renewBaselines(page_, r_); }
