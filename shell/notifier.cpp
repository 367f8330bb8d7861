#include "shell/notifier.h"

#include <QMessageBox>

namespace {

class MessageBoxNotifier final : public Notifier {
public:
    void inform(QWidget *parent, const QString &text) override { run(parent, text, QMessageBox::Ok); }
    bool confirm(QWidget *parent, const QString &text) override
    {
        return run(parent, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    }

private:
    static int run(QWidget *parent, const QString &text, QMessageBox::StandardButtons buttons)
    {
        QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), text, buttons, parent);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        return box.exec();
    }
};

MessageBoxNotifier g_messageBoxes;
Notifier *g_current = &g_messageBoxes;

} // namespace

Notifier &notifier() { return *g_current; }

void setNotifier(Notifier *replacement) { g_current = replacement ? replacement : &g_messageBoxes; }
