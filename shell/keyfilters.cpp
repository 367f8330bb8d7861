#include "shell/keyfilters.h"

#include <QAbstractSpinBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

bool isControl(QChar c) { return c.unicode() < 32 || c.unicode() == 127; }

class KeyFilter final : public QObject {
public:
    enum Mode { Digits, SpinDigits, SpinDigitsMinus };
    KeyFilter(QObject *parent, Mode mode) : QObject(parent), mode_(mode) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const QString text = static_cast<QKeyEvent *>(event)->text();
        if (text.isEmpty())
            return false; // navigation and modifier keys carry no character
        const QChar c = text.at(0);
        if (isControl(c))
            return false;
        if (mode_ == Digits)
            return c.unicode() < '0' || c.unicode() > '9';
        if (mode_ == SpinDigitsMinus && c == u'-')
            return false;
        if (c.unicode() < '0' || c.unicode() > '9')
            return true;
        auto *spin = qobject_cast<QAbstractSpinBox *>(watched);
        QLineEdit *edit = spin ? spin->findChild<QLineEdit *>() : nullptr;
        if (!edit)
            return false;
        return edit->text().size() - edit->selectedText().size() > 2;
    }

private:
    Mode mode_;
};

} // namespace

void installDigitFilter(QLineEdit *edit) { edit->installEventFilter(new KeyFilter(edit, KeyFilter::Digits)); }

void installSpinDigitFilter(QAbstractSpinBox *spin, bool allowMinus)
{
    spin->installEventFilter(new KeyFilter(spin, allowMinus ? KeyFilter::SpinDigitsMinus : KeyFilter::SpinDigits));
}
