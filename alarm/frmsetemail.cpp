#include "alarm/frmsetemail.h"

#include "shell/notifier.h"
#include "shell/pagehelpers.h"

#include "ui_frmsetemail.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QHeaderView>
#include <QScrollBar>

namespace {

constexpr int NameColumn = 1;
constexpr int AddressColumn = 2;

} // namespace

TfrmSetEmail::TfrmSetEmail(QWidget *owner, EmailRecord *record)
    : QDialog(owner), ui_(std::make_unique<Ui::TfrmSetEmail>()), record_(record)
{
    ui_->setupUi(this);
    // The cell editor floats over the list, outside any layout.
    edtListView_ = new QLineEdit(ui_->grpTo);
    edtListView_->setObjectName(QStringLiteral("edtListView"));
    edtListView_->hide();
    edtListView_->installEventFilter(this);
    // Typing stops at the width of each text's field.
    limitTyping(ui_->edtSender, int(sizeof EmailRecord::senderName));
    limitTyping(ui_->edtEMail, int(sizeof EmailRecord::senderAddress));
    limitTyping(ui_->edtName, int(sizeof EmailRecord::account));
    limitTyping(ui_->edtPwd, int(sizeof EmailRecord::password));
    limitTyping(ui_->edtVerifyPwd, int(sizeof EmailRecord::password));
    limitTyping(ui_->edtEMailServer, int(sizeof EmailRecord::mailServer));

    QHeaderView *header = ui_->lvTo->horizontalHeader();
    header->resizeSection(0, 40);
    header->resizeSection(NameColumn, 130);
    for (int row = 0; row < 2; ++row)
        for (int column : {NameColumn, AddressColumn})
            ui_->lvTo->setItem(row, column, new QTableWidgetItem());

    connect(ui_->chkAtta, &QCheckBox::clicked, this, &TfrmSetEmail::chkAttaClick);
    connect(ui_->lvTo, &QTableWidget::cellDoubleClicked, this, &TfrmSetEmail::lvToDblClick);
    connect(ui_->btnDel, &QPushButton::clicked, this, &TfrmSetEmail::btnDelClick);
    connect(ui_->btnOK, &QPushButton::clicked, this, &TfrmSetEmail::btnOKClick);
    connect(ui_->btnCancel, &QPushButton::clicked, this, &TfrmSetEmail::btnCancelClick);
    FormCreate();
}

TfrmSetEmail::~TfrmSetEmail() = default;

void TfrmSetEmail::FormCreate()
{
    const EmailRecord &r = *record_;
    showText(ui_->edtSender, r.senderName);
    showText(ui_->edtEMail, r.senderAddress);
    showText(ui_->edtName, r.account);
    showText(ui_->edtPwd, r.password);
    showText(ui_->edtVerifyPwd, r.password);
    for (int row = 0; row < 2; ++row) {
        ui_->lvTo->item(row, NameColumn)->setText(fieldText(r.receiverName[row]));
        ui_->lvTo->item(row, AddressColumn)->setText(fieldText(r.receiverAddress[row]));
    }
    showText(ui_->edtEMailServer, r.mailServer);
    showIndex(ui_->cbbServer, r.serverAuth);
    showIndex(ui_->cbbEMailServer, r.serverType);
    showCheck(ui_->chkAtta, r.sendAttachment);
    chkAttaClick();
}

void TfrmSetEmail::chkAttaClick()
{
    ui_->cbbInterSend->setEnabled(ui_->chkAtta->isChecked());
    showIndex(ui_->cbbInterSend, record_->sendInterval);
}

void TfrmSetEmail::lvToDblClick(int row, int column)
{
    // Only the Name and Address cells of an existing row are edited.
    if (row < 0 || row >= ui_->lvTo->rowCount() || (column != NameColumn && column != AddressColumn))
        return;
    edtListViewExit(); // a cell still being edited keeps its text
    editRow_ = row;
    QTableWidgetItem *cell = ui_->lvTo->item(row, column);
    QRect rect = ui_->lvTo->visualItemRect(cell);
    if (rect.left() < 0) // scrolled partly out of view: edit the visible part
        rect.setLeft(0);
    const QPoint topLeft = ui_->lvTo->viewport()->mapTo(ui_->grpTo, QPoint(rect.left(), rect.top() - 1));
    edtListView_->setGeometry(topLeft.x(), topLeft.y(), rect.width() + 1, rect.height() + 2);
    edtListView_->show();
    edtListView_->raise();
    edtListView_->setFocus();
    limitTyping(edtListView_, int(column == NameColumn ? sizeof EmailRecord::receiverName[0]
                                                       : sizeof EmailRecord::receiverAddress[0]));
    edtListView_->setText(cell->text());
    editColumn_ = column;
}

void TfrmSetEmail::edtListViewExit()
{
    if (edtListView_->isHidden())
        return;
    edtListView_->hide();
    if (QTableWidgetItem *cell = ui_->lvTo->item(editRow_, editColumn_))
        cell->setText(edtListView_->text());
}

bool TfrmSetEmail::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != edtListView_)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        // The editor's own context menu and a switch to another window leave the edit open.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            edtListViewExit();
    } else if (event->type() == QEvent::KeyPress) {
        // Enter ends the cell edit rather than pressing OK.
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ui_->lvTo->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSetEmail::btnDelClick()
{
    const QList<QTableWidgetItem *> selected = ui_->lvTo->selectedItems();
    if (selected.isEmpty()) {
        showMessage(this, QStringLiteral("请选择要删除的收件人!"));
        return;
    }
    const int row = selected.first()->row();
    ui_->lvTo->item(row, NameColumn)->setText(QString());
    ui_->lvTo->item(row, AddressColumn)->setText(QString());
}

void TfrmSetEmail::btnOKClick()
{
    edtListViewExit(); // a cell still being edited counts
    const auto address = [this](int row) { return ui_->lvTo->item(row, AddressColumn)->text(); };
    if (!passChecks(this, {
                              {ui_->edtPwd->text() == ui_->edtVerifyPwd->text(),
                               QStringLiteral("两次输入的密码不一致!"), ui_->edtPwd},
                              {address(0).contains(u'@') && address(1).contains(u'@'),
                               QStringLiteral("请输入正确的Email地址!"), nullptr},
                          }))
        return;
    EmailRecord &r = *record_;
    storeText(ui_->edtSender, r.senderName);
    storeText(ui_->edtEMail, r.senderAddress);
    storeText(ui_->edtName, r.account);
    storeIndex(ui_->cbbServer, r.serverAuth);
    storeText(ui_->edtPwd, r.password);
    for (int row = 0; row < 2; ++row) {
        setFieldText(r.receiverName[row], ui_->lvTo->item(row, NameColumn)->text());
        setFieldText(r.receiverAddress[row], address(row));
    }
    storeText(ui_->edtEMailServer, r.mailServer);
    storeIndex(ui_->cbbEMailServer, r.serverType);
    storeCheck(ui_->chkAtta, r.sendAttachment);
    storeIndex(ui_->cbbInterSend, r.sendInterval);
    accept();
}

void TfrmSetEmail::btnCancelClick() { reject(); }
