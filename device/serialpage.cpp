#include "device/serialpage.h"

#include "command/typedcommands.h"

#include "ui_serialpage.h"

SerialPage::SerialPage(const PageContext &context) : ConfigPage(context), ui_(std::make_unique<Ui::SerialPage>())
{
    ui_->setupUi(this);
}

SerialPage::~SerialPage() = default;

void SerialPage::queueRefresh()
{
    queueGet(login(), 0, r_.rs232);
    for (int k = 0; k < r_.channelCount(); ++k)
        queueGet(login(), r_.firstChannel() + k, r_.decoder[k]);
}

// Serial settings never need a restart.
bool SerialPage::queueSave(bool &)
{
    queueSet(login(), 0, r_.rs232);
    for (int k = 0; k < r_.channelCount(); ++k)
        queueSet(login(), r_.firstChannel() + k, r_.decoder[k]);
    return true;
}
