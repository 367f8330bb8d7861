#include "shell/frmdvrconfig.h"

#include "alarm/alarmpage.h"
#include "channel/channelpage.h"
#include "command/Configfuc.h"
#include "command/sdkapi.h"
#include "device/diskpage.h"
#include "device/networkpage.h"
#include "device/otherpage.h"
#include "device/serialpage.h"
#include "device/serverpage.h"
#include "model/fullload.h"
#include "shell/notifier.h"

#include "ui_frmdvrconfig.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

TfrmDvrConfig::TfrmDvrConfig(const char *text, std::int32_t loginHandle, QWidget *parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TfrmDvrConfig>()), hostText_(text ? text : ""),
      loginHandle_(loginHandle), records_(new DvrRecords()), tmrProgress_(new QTimer(this))
{
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    tmrProgress_->setObjectName(QStringLiteral("tmrProgress"));
    tmrProgress_->setInterval(500);
    tmrProgress_->setSingleShot(true);

    const PageContext context{*records_, this, loginHandle_, loaded_};
    pages_ = {new ServerPage(context), new ChannelPage(context), new NetworkPage(context),
              new SerialPage(context), new AlarmPage(context),   new DiskPage(context)};
    const auto place = [this](int index, QWidget *content) {
        auto *layout = new QVBoxLayout(ui_->pgcDvrSet->widget(index));
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(content);
    };
    for (int index = 0; index < int(pages_.size()); ++index)
        place(index, pages_[std::size_t(index)]);
    // The other-functions sheet gets its form too, though no page stands behind it.
    place(OtherSet, new OtherPage);

    // Nothing shows or fills these two pages.
    ui_->pgcDvrSet->setTabVisible(UserCfg, false);
    ui_->pgcDvrSet->setTabVisible(OtherSet, false);

    connect(tmrProgress_, &QTimer::timeout, this, &TfrmDvrConfig::tmrProgressTimer);
    connect(ui_->pgcDvrSet, &QTabWidget::currentChanged, this, &TfrmDvrConfig::tabShow);
    connect(ui_->btnRefresh, &QPushButton::clicked, this, &TfrmDvrConfig::btnRefreshClick);
    connect(ui_->btnSaveConfig, &QPushButton::clicked, this, &TfrmDvrConfig::btnSaveConfigClick);
    connect(ui_->btnRestoreConfig, &QPushButton::clicked, this, &TfrmDvrConfig::btnRestoreConfigClick);
    connect(ui_->btnReBoot, &QPushButton::clicked, this, &TfrmDvrConfig::btnReBootClick);
    connect(ui_->btnExit, &QPushButton::clicked, this, &TfrmDvrConfig::btnExitClick);
    FormCreate();
}

TfrmDvrConfig::~TfrmDvrConfig() { config_clear_queue(); }

void TfrmDvrConfig::FormCreate()
{
    const QSignalBlocker block(ui_->pgcDvrSet);
    ui_->pgcDvrSet->setCurrentIndex(ServerCfg);
}

void TfrmDvrConfig::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        centreOver(QApplication::activeWindow());
        ui_->pnlGetPos->raise();
        tabShow(ui_->pgcDvrSet->currentIndex()); // the page in front is shown with the dialog
        FormShow();
    }
}

void TfrmDvrConfig::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    // The progress panel sits in the middle of the page control.
    QRect area = ui_->pgcDvrSet->geometry();
    QRect panel(0, 0, std::min(420, area.width()), ui_->pnlGetPos->sizeHint().height());
    panel.moveCenter(area.center());
    ui_->pnlGetPos->setGeometry(panel);
}

void TfrmDvrConfig::centreOver(const QWidget *window)
{
    if (!window || window == this)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(window->frameGeometry().center());
    move(frame.topLeft());
}

// Only btnExit and the close box end the dialog: a stray Escape must not drop the operator's edits.
void TfrmDvrConfig::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmDvrConfig::FormShow() { tmrProgress_->start(); }

void TfrmDvrConfig::done(int result)
{
    tmrProgress_->stop();
    config_clear_queue(); // no entry may outlive the records it points to
    QDialog::done(result);
}

ConfigPage *TfrmDvrConfig::page(int index) const
{
    return index >= 0 && index < int(pages_.size()) ? pages_[std::size_t(index)] : nullptr;
}

void TfrmDvrConfig::tabShow(int index)
{
    if (ConfigPage *shown = page(index))
        shown->fill();
}

ConfigPage *TfrmDvrConfig::pageInFront() { return page(ui_->pgcDvrSet->currentIndex()); }

void TfrmDvrConfig::showPanel(const QString &tip)
{
    ui_->lblTip->setText(tip);
    ui_->pnlGetPos->show();
    ui_->pnlGetPos->raise();
    ui_->pnlGetPos->repaint(); // the commands below block the thread
}

void TfrmDvrConfig::hidePanel() { ui_->pnlGetPos->hide(); }

void SDK_CALL TfrmDvrConfig::ShowProgress(std::int32_t value, void *context)
{
    auto *dialog = static_cast<TfrmDvrConfig *>(context);
    if (!dialog)
        return;
    QProgressBar *bar = dialog->ui_->prgbGetPos;
    if (QThread::currentThread() == dialog->thread())
        bar->setValue(value);
    else
        QMetaObject::invokeMethod(
            bar, [bar, value] { bar->setValue(value); }, Qt::QueuedConnection);
}

void TfrmDvrConfig::tmrProgressTimer()
{
    showPanel(QStringLiteral("正在获取设置信息,请稍候..."));
    tmrProgress_->stop();
    const model::LoadStop stop = model::fullLoad(*records_, loginHandle_, &TfrmDvrConfig::ShowProgress, this);
    hidePanel();
    if (stop != model::LoadStop::None) {
        showMessage(this, loadStopText(stop));
        return;
    }
    loaded_ = true;
    pages_[ServerCfg]->fill();
    // A tab the operator opened while the load ran shows zeroed records; a save from it would
    // send them, so it is filled anew too.
    if (ConfigPage *front = pageInFront(); front && front != pages_[ServerCfg])
        front->fill();
}

void TfrmDvrConfig::btnRefreshClick()
{
    ConfigPage *page = pageInFront();
    if (!page)
        return;
    showPanel(QStringLiteral("正在获取配置信息,请稍候..."));
    page->queueRefresh();
    const DecodeNote note = records_->decodeNote();
    if (!config_run_get_batch(nullptr, nullptr, &note))
        showMessage(this, QStringLiteral("获取设置信息失败!"));
    page->fill();
    hidePanel();
}

void TfrmDvrConfig::btnSaveConfigClick()
{
    ConfigPage *page = pageInFront();
    if (!page)
        return;
    // Until the full load has succeeded the records hold zeros, or what a failed batch left;
    // sending them would wipe the device's addressing, names, schedules and disk groups.
    if (!loaded_) {
        showMessage(this, QStringLiteral("获取设置信息失败!"));
        return;
    }
    if (!page->collect())
        return;
    bool restart = false;
    if (!page->queueSave(restart)) {
        config_clear_queue();
        return;
    }
    showPanel(QStringLiteral("正在保存设置信息,请稍候..."));
    const bool saved = config_run_set_batch(&TfrmDvrConfig::ShowProgress, this);
    hidePanel();
    // Only a save that reached the device moves the baselines, so a failed one asks again.
    if (saved && restart)
        page->renewBaselines();
    showMessage(this, saved ? QStringLiteral("保存成功") : QStringLiteral("保存失败"));
    if (saved && restart)
        showMessage(this, QStringLiteral("请重启服务器!"));
}

void TfrmDvrConfig::btnRestoreConfigClick()
{
    if (!askConfirmation(this, QStringLiteral("确认要恢复默认设置吗?")))
        return;
    if (config_restore(loginHandle_))
        askConfirmation(this, QStringLiteral("恢复默认值成功,请重启服务器!")); // the answer is not used
}

void TfrmDvrConfig::btnReBootClick()
{
    if (!askConfirmation(this, QStringLiteral("确认要重启该服务器?")))
        return;
    const SdkApi &sdk = sdk_api();
    if (sdk.rebootDevice && sdk.rebootDevice(loginHandle_) != 0)
        showMessage(this, QStringLiteral("正在重启,请稍候!"));
}

void TfrmDvrConfig::btnExitClick() { reject(); }
