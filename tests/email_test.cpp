// The e-mail settings editor on a record in memory: display, the cell editor, the checks of OK and
// what OK stores.
#include "alarm/frmsetemail.h"
#include "subdialogfixture.h"
#include "waitfor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include <cstring>

namespace {

class EmailTest : public SubDialogTest<TfrmSetEmail> {
protected:
    void SetUp() override
    {
        fillPattern(record);
        put(record.account, "user");
        put(record.password, "pw");
        put(record.senderName, "DVR");
        put(record.senderAddress, "dvr@example.org");
        put(record.receiverName[0], "Ann");
        put(record.receiverAddress[0], "ann@example.org");
        put(record.receiverName[1], "Bob");
        put(record.receiverAddress[1], "bob@example.org");
        put(record.mailServer, "smtp.example.org");
        record.serverType = 0;
        record.serverAuth = 1;
        record.sendAttachment = 1;
        record.sendInterval = 2;
    }
    template <std::size_t N> static void put(char (&field)[N], const char *text)
    {
        std::memset(field, 0, N);
        std::memcpy(field, text, std::min(N, std::strlen(text)));
    }
    TfrmSetEmail &open() { return create(nullptr, &record); }
    QLineEdit *edit(const char *name) const { return find<QLineEdit>(QLatin1String(name)); }
    QComboBox *box(const char *name) const { return find<QComboBox>(QLatin1String(name)); }
    QTableWidget *list() const { return find<QTableWidget>(QStringLiteral("lvTo")); }
    QString cell(int row, int column) const { return list()->item(row, column)->text(); }
    // The events of a real double click: QTest::mouseDClick alone sends no press before it.
    void doubleClickAt(QPoint pos) const
    {
        QWidget *viewport = list()->viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, pos);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, pos);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, pos);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, pos);
    }
    void doubleClickCell(int row, int column) const
    {
        doubleClickAt(list()->visualItemRect(list()->item(row, column)).center());
    }

    EmailRecord record;
};

TEST_F(EmailTest, ShowsTheRecord)
{
    record.serverAuth = 2; // outside the list
    open();
    EXPECT_EQ(dialog->objectName(), QStringLiteral("TfrmSetEmail"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("E-Mail配置"));
    EXPECT_EQ(edit("edtSender")->text(), QStringLiteral("DVR"));
    EXPECT_EQ(edit("edtEMail")->text(), QStringLiteral("dvr@example.org"));
    EXPECT_EQ(edit("edtName")->text(), QStringLiteral("user"));
    EXPECT_EQ(edit("edtVerifyPwd")->text(), QStringLiteral("pw"));
    EXPECT_EQ(edit("edtEMailServer")->text(), QStringLiteral("smtp.example.org"));
    EXPECT_EQ(cell(0, 0), QStringLiteral("1"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("2"));
    EXPECT_EQ(cell(1, 1), QStringLiteral("Bob"));
    EXPECT_EQ(cell(0, 2), QStringLiteral("ann@example.org"));
    EXPECT_EQ(box("cbbServer")->currentIndex(), -1);
    EXPECT_EQ(box("cbbInterSend")->currentText(), QStringLiteral("4S"));
    EXPECT_TRUE(box("cbbInterSend")->isEnabled());
    EXPECT_FALSE(edit("edtListView")->isVisible());
}

// OK without edits writes back what it showed: only the attachment flag takes its 1/0 form.
TEST_F(EmailTest, OkStoresTheListedFieldsAndNothingElse)
{
    record.sendAttachment = 7;
    EmailRecord expected = record;
    expected.sendAttachment = 1;
    open();
    EXPECT_TRUE(execPressing("btnOK").closed);
    EXPECT_TRUE(sameBytes(record, expected));

    const std::string longAddress = std::string(50, 'a') + "@host.org"; // 59 characters
    const std::string sender = longAddress + "x";                       // 60
    open();
    edit("edtEMail")->setText(QString::fromStdString(sender));
    edit("edtPwd")->setText(QStringLiteral("new"));
    edit("edtVerifyPwd")->setText(QStringLiteral("new"));
    list()->item(1, 2)->setText(QString::fromStdString(longAddress));
    box("cbbServer")->setCurrentIndex(0);
    find<QCheckBox>(QStringLiteral("chkAtta"))->click();
    const ModalRun run = execPressing("btnOK");
    EXPECT_TRUE(run.closed);
    EXPECT_EQ(run.result, QDialog::Accepted);
    std::memcpy(expected.senderAddress, sender.data(), 48);
    put(expected.password, "new");
    std::memcpy(expected.receiverAddress[1], longAddress.data(), 48);
    expected.serverAuth = 0;
    expected.sendAttachment = 0;
    EXPECT_TRUE(sameBytes(record, expected)) << "60 characters stored as their first 48 bytes, no terminator";
}

// Each row: edits, the message, whether the focus goes to edtPwd.
TEST_F(EmailTest, OkChecksInOrder)
{
    struct Case {
        const char *pwd, *verify, *address1, *address2, *message;
        bool focus;
    };
    const Case cases[] = {
        {"a", "A", "no-at", "", "两次输入的密码不一致!", true},
        {"a", "a", "no-at", "b@c", "请输入正确的Email地址!", false},
        {"a", "a", "b@c", "", "请输入正确的Email地址!", false},
    };
    for (const Case &c : cases) {
        const EmailRecord before = record;
        open();
        dialog->activateWindow();
        edit("edtPwd")->setText(QString::fromUtf8(c.pwd));
        edit("edtVerifyPwd")->setText(QString::fromUtf8(c.verify));
        list()->item(0, 2)->setText(QString::fromUtf8(c.address1));
        list()->item(1, 2)->setText(QString::fromUtf8(c.address2));
        edit("edtSender")->setFocus();
        click("btnOK");
        EXPECT_TRUE(dialog->isVisible()) << c.message;
        EXPECT_EQ(notes.messages, QStringList{QString::fromUtf8(c.message)});
        notes.messages.clear();
        if (c.focus) {
            EXPECT_EQ(dialog->focusWidget(), edit("edtPwd"));
        }
        EXPECT_TRUE(sameBytes(record, before)) << c.message;
    }
}

TEST_F(EmailTest, DeleteEmptiesTheSelectedReceiverAndOkThenNeedsBoth)
{
    open();
    click("btnDel");
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("请选择要删除的收件人!")});
    list()->selectRow(1);
    click("btnDel");
    EXPECT_EQ(list()->rowCount(), 2);
    EXPECT_EQ(cell(1, 0), QStringLiteral("2"));
    EXPECT_EQ(cell(1, 1), QString());
    EXPECT_EQ(cell(1, 2), QString());
    EXPECT_EQ(cell(0, 1), QStringLiteral("Ann"));
    notes.messages.clear();
    const EmailRecord before = record;
    EXPECT_FALSE(execPressing("btnOK").closed);
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("请输入正确的Email地址!")});
    EXPECT_TRUE(sameBytes(record, before));
}

TEST_F(EmailTest, CellEditor)
{
    open();
    dialog->activateWindow(); // focus changes need the active window
    ASSERT_TRUE(waitFor([this] { return dialog->isActiveWindow(); }));
    QLineEdit *editor = edit("edtListView");
    doubleClickCell(0, 0);
    EXPECT_FALSE(editor->isVisible()) << "the No column is not edited";
    const int belowRows = list()->visualItemRect(list()->item(1, 1)).bottom() + 3;
    ASSERT_LT(belowRows, list()->viewport()->height());
    doubleClickAt(QPoint(60, belowRows));
    EXPECT_FALSE(editor->isVisible()) << "below the last row";

    doubleClickCell(1, 2);
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->text(), QStringLiteral("bob@example.org"));
    const QRect cellRect = list()->visualItemRect(list()->item(1, 2));
    const QPoint cellTop = list()->viewport()->mapTo(editor->parentWidget(), cellRect.topLeft());
    EXPECT_EQ(editor->geometry(), QRect(cellTop.x(), cellTop.y() - 1, cellRect.width() + 1, cellRect.height() + 2));
    editor->setText(QStringLiteral("robert@example.org"));
    edit("edtSender")->setFocus();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(cell(1, 2), QStringLiteral("robert@example.org"));
    EXPECT_EQ(QByteArray(record.receiverAddress[1]), QByteArray("bob@example.org")) << "only OK writes";

    doubleClickCell(0, 1);
    editor->setText(QStringLiteral("Anna"));
    EXPECT_TRUE(execPressing("btnOK").closed) << "a cell still being edited is taken by OK";
    EXPECT_EQ(QByteArray(record.receiverName[0]), QByteArray("Anna"));
    EXPECT_EQ(QByteArray(record.receiverAddress[1]), QByteArray("robert@example.org"));
}

// Typing stops at the width of each text's field in GBK bytes, in the cell editor by its column.
TEST_F(EmailTest, TypingStopsAtEachFieldsWidthInBytes)
{
    open();
    const auto typeWide = [](QLineEdit *field) {
        field->clear();
        for (int i = 0; i < 60; ++i)
            field->insert(QStringLiteral("邮"));
        return field->text().size();
    };
    const std::pair<const char *, int> fields[] = {{"edtSender", 32}, {"edtEMail", 48},     {"edtName", 32},
                                                   {"edtPwd", 32},    {"edtVerifyPwd", 32}, {"edtEMailServer", 32}};
    for (auto [name, bytes] : fields)
        EXPECT_EQ(typeWide(edit(name)), bytes / 2) << name;
    for (auto [column, bytes] : {std::pair{1, 32}, std::pair{2, 48}}) {
        doubleClickCell(0, column);
        EXPECT_EQ(typeWide(edit("edtListView")), bytes / 2) << column;
    }
}

// Enter ends a cell edit, and in any other field presses OK, never Delete; the editor's context
// menu does not end the edit.
TEST_F(EmailTest, EnterAndContextMenuInTheCellEditor)
{
    open();
    dialog->activateWindow();
    ASSERT_TRUE(waitFor([this] { return dialog->isActiveWindow(); }));
    QLineEdit *editor = edit("edtListView");
    doubleClickCell(1, 2);
    QFocusEvent toMenu(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(editor, &toMenu);
    EXPECT_TRUE(editor->isVisible());
    editor->setText(QStringLiteral("carl@example.org"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(cell(1, 2), QStringLiteral("carl@example.org"));
    list()->selectRow(1);
    edit("edtSender")->setFocus();
    QTest::keyClick(edit("edtSender"), Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(QByteArray(record.receiverAddress[1]), QByteArray("carl@example.org"));
}

TEST_F(EmailTest, AttachmentBoxResetsTheInterval)
{
    record.sendAttachment = 0;
    open();
    QComboBox *interval = box("cbbInterSend");
    auto *attach = find<QCheckBox>(QStringLiteral("chkAtta"));
    EXPECT_FALSE(interval->isEnabled());
    EXPECT_EQ(interval->currentIndex(), 2) << "disabled but showing the record's interval";
    attach->click();
    EXPECT_TRUE(interval->isEnabled());
    interval->setCurrentIndex(3);
    attach->click();
    EXPECT_FALSE(interval->isEnabled());
    EXPECT_EQ(interval->currentIndex(), 2);
    interval->setCurrentIndex(0); // what it shows is stored, enabled or not
    EXPECT_TRUE(execPressing("btnOK").closed);
    EXPECT_EQ(record.sendInterval, 0);
    EXPECT_EQ(record.sendAttachment, 0);
}

TEST_F(EmailTest, CancelWritesNothing)
{
    const EmailRecord before = record;
    open();
    const ModalRun run = execPressing("btnCancel", [this](TfrmSetEmail &) {
        edit("edtSender")->setText(QStringLiteral("changed"));
        list()->item(0, 1)->setText(QStringLiteral("changed"));
    });
    EXPECT_TRUE(run.closed);
    EXPECT_EQ(run.result, QDialog::Rejected);
    EXPECT_TRUE(sameBytes(record, before));
}

} // namespace
