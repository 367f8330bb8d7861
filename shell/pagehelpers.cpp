#include "shell/pagehelpers.h"

#include "command/Pub_commonfunc.h"
#include "shell/notifier.h"

#include <QEvent>
#include <QValidator>

namespace {

// Refuses an edit that makes the text longer than the limit, unless the text was already longer
// (set from a record): then only growth is refused, so deleting still works. Lengths are the GBK
// bytes the record stores, so a field of 32 bytes takes 16 Chinese characters. Text set by code
// clears the field's undo history, which is how a record's text is told from a typed one.
class TypingLimit final : public QValidator {
public:
    TypingLimit(QLineEdit *edit, int maxLength) : QValidator(edit), edit_(edit), max_(std::size_t(maxLength)) {}
    State validate(QString &input, int &) const override
    {
        const std::size_t length = gbkLength(input);
        const bool typed = edit_->isUndoAvailable();
        if (typed && length > max_ && length > last_)
            return Invalid;
        last_ = length;
        return Acceptable;
    }

private:
    const QLineEdit *edit_;
    std::size_t max_;
    mutable std::size_t last_ = 0; // the length after the last accepted change
};

// Applies the range rule to what the operator left in a spin edit.
class SpinFocusOut final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut) {
            auto *spin = static_cast<QSpinBox *>(watched);
            spin->setValue(spinValue(spin));
        }
        return false;
    }
};

} // namespace

std::size_t gbkLength(const QString &text) { return gbk::encode(text.toStdU16String()).size(); }

bool validAddress(const QLineEdit *edit) { return is_valid_ip(edit->text().toLocal8Bit().constData()); }

void limitTyping(QLineEdit *edit, int maxLength)
{
    edit->setMaxLength(32767); // QLineEdit's own limit would also cut text set by code
    edit->setProperty("typingLimit", maxLength);
    // A field limited anew (an in-place editor moving between columns) drops its old limit.
    const QValidator *old = edit->validator();
    edit->setValidator(new TypingLimit(edit, maxLength));
    if (dynamic_cast<const TypingLimit *>(old))
        delete old;
}

void limitTypingOfFields(QWidget *form)
{
    const int unlimited = QLineEdit().maxLength();
    for (QLineEdit *edit : form->findChildren<QLineEdit *>()) {
        // A spin edit's own line edit is left to its spin box.
        if (edit->maxLength() < unlimited && !qobject_cast<QAbstractSpinBox *>(edit->parentWidget()))
            limitTyping(edit, edit->maxLength());
    }
}

void fillSelectorAndCopyTargets(QComboBox *selector, QComboBox *targets, const QString &all, int count,
                                QString (*name)(int))
{
    const QSignalBlocker blockSelector(selector), blockTargets(targets);
    selector->clear();
    targets->clear();
    targets->addItem(all);
    for (int n = 1; n <= count; ++n) {
        selector->addItem(name(n));
        targets->addItem(name(n));
    }
    selector->setCurrentIndex(0); // -1 when there is nothing to select
    targets->setCurrentIndex(0);
}

void setUpSpin(QSpinBox *spin)
{
    spin->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    spin->installEventFilter(new SpinFocusOut(spin));
}

long long typedSpinNumber(const QSpinBox *spin)
{
    bool ok = false;
    const long long typed = spin->cleanText().toLongLong(&ok);
    return ok ? typed : spin->minimum();
}

int spinValue(const QSpinBox *spin)
{
    return int(std::clamp<long long>(typedSpinNumber(spin), spin->minimum(), spin->maximum()));
}

bool passChecks(QWidget *parent, std::initializer_list<FieldCheck> checks)
{
    for (const FieldCheck &c : checks) {
        if (c.ok)
            continue;
        showMessage(parent, c.message);
        if (c.focus)
            c.focus->setFocus();
        return false;
    }
    return true;
}
