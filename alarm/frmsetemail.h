#pragma once
// E-mail notification editor: the device's e-mail settings, edited in place.
#include "alarm/emailrecord.h"

#include <QDialog>

#include <cstdint>
#include <memory>

class QLineEdit;

namespace Ui {
class TfrmSetEmail;
}

class TfrmSetEmail final : public QDialog {
    Q_OBJECT
public:
    TfrmSetEmail(QWidget *owner, EmailRecord *record);
    ~TfrmSetEmail() override;

    void FormCreate();
    void chkAttaClick();
    // Starts editing the Name or Address cell that was double-clicked.
    void lvToDblClick(int row, int column);
    // Ends a cell edit: the text goes into the cell being edited.
    void edtListViewExit();
    void btnDelClick();
    void btnOKClick();
    void btnCancelClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::unique_ptr<Ui::TfrmSetEmail> ui_;
    QLineEdit *edtListView_;
    EmailRecord *record_; // not owned
    int editRow_ = -1;    // none yet
    int editColumn_ = 0;
};
