#pragma once
// Alarm page: alarm inputs, alarm outputs and exception handling.
#include "shell/configpage.h"

#include <memory>

class QCheckBox;
namespace Ui {
class AlarmPage;
}

class AlarmPage final : public ConfigPage {
public:
    explicit AlarmPage(const PageContext &context);
    ~AlarmPage() override;

    void fill() override { FillAlarmPage(); }
    bool collect() override;
    std::vector<NormalisedBytes> normalisedBytes() const override;

    // Handlers.
    void FillAlarmPage();
    void cbbAlarmInChange();
    void chkDealAlarmInClick();
    void cbbAlarmOutChange();
    void cbbExceptionChange();
    void chkLinkAlarmOutClick();
    bool StoreAlarmIn();
    bool StoreAlarmOut();
    bool StoreException();
    void btnCopyAlarmInClick();
    void btnCopyAlarmOutClick();
    void btnAlarmInGuardTimeClick();
    void btnAlarmOutGuardTimeClick();
    void btnLinkTypeClick();

private:
    // The input, output and exception kind shown; -1 when the list has none selected.
    int shownInput() const;
    int shownOutput() const;
    int shownException() const;
    QCheckBox *exceptionOutputBox(int n) const; // "chkLinkAlarmOut" + n, n = 1..4

    std::unique_ptr<Ui::AlarmPage> ui_;
};
