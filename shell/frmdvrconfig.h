#pragma once
// The main dialog: owns every record the pages show and runs the load, refresh, save, restore
// and reboot cycle of the page in front.
#include "sdk/quellport.h"
#include "shell/configpage.h"
#include "model/dvrrecords.h"

#include <QByteArray>
#include <QDialog>

#include <array>
#include <memory>

class QTimer;
namespace Ui {
class TfrmDvrConfig;
}

class TfrmDvrConfig final : public QDialog {
    Q_OBJECT
public:
    // Page indexes of pgcDvrSet.
    enum Page { ServerCfg, ChanCfg, NetConfig, SerialCfg, AlarmCfg, DiskCfg, UserCfg, OtherSet, PageCount };

    TfrmDvrConfig(const char *text, std::int32_t loginHandle, QWidget *parent = nullptr);
    ~TfrmDvrConfig() override;

    DvrRecords &records() { return *records_; }
    bool loaded() const { return loaded_; }
    const QByteArray &hostText() const { return hostText_; }
    QTimer *progressTimer() const { return tmrProgress_; }
    // The page of tab sheet `index` (server to disk); null for the hidden sheets.
    ConfigPage *page(int index) const;
    // Centres the dialog over `window` (the host's main form), when there is one.
    void centreOver(const QWidget *window);

    // Handlers.
    void FormCreate();
    void FormShow();
    void tmrProgressTimer();
    void btnRefreshClick();
    void btnSaveConfigClick();
    void btnRestoreConfigClick();
    void btnReBootClick();
    void btnExitClick();
    void tabShow(int index); // tsServerCfgShow, tsChanCfgShow, ...
    static void SDK_CALL ShowProgress(std::int32_t value, void *context);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void done(int result) override;

private:
    void showPanel(const QString &tip);
    void hidePanel();
    ConfigPage *pageInFront();

    std::unique_ptr<Ui::TfrmDvrConfig> ui_;
    QByteArray hostText_;
    std::int32_t loginHandle_;
    bool loaded_ = false;
    std::unique_ptr<DvrRecords> records_;
    QTimer *tmrProgress_;
    std::array<ConfigPage *, 6> pages_{}; // owned by their tab sheets
    bool shownOnce_ = false;
};
