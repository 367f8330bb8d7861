#pragma once
// Small patterns every page and sub-dialog repeats: texts, numbers, list indexes, check boxes and
// spin edits between records and controls; the typing limit of edit fields; a table of checks;
// the copy to all or one target.
#include "command/gbktext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QString>

#include <algorithm>
#include <cstring>
#include <initializer_list>

// Record text fields as the controls show them.
template <std::size_t N> QString fieldText(const char (&field)[N])
{
    return QString::fromStdU16String(gbk::readField(field, N));
}

template <std::size_t N> void setFieldText(char (&field)[N], const QString &text)
{
    gbk::writeField(field, N, text.toStdU16String());
}

template <std::size_t N> void showText(QLineEdit *edit, const char (&field)[N]) { edit->setText(fieldText(field)); }
template <std::size_t N> void storeText(const QLineEdit *edit, char (&field)[N]) { setFieldText(field, edit->text()); }

// Bytes a text takes in a record's GBK field.
std::size_t gbkLength(const QString &text);

// The field's maximum length, in the GBK bytes its record stores, limits what the operator types
// or pastes; a text set from a record
// is shown whole, however long (QLineEdit::maxLength would cut it, and the next save would then
// rewrite the device's value). The limit is kept in the property "typingLimit".
void limitTyping(QLineEdit *edit, int maxLength);
// Turns the maximum length that a form gives each of its edit fields into a typing limit.
void limitTypingOfFields(QWidget *form);

// The field holds a dotted-quad address (is_valid_ip).
bool validAddress(const QLineEdit *edit);

// A decimal number typed into a field; `ok` false when the text is not one.
inline long long fieldNumber(const QLineEdit *edit, bool *ok = nullptr) { return edit->text().toLongLong(ok); }

// Selects the item for a stored value; a value outside the list leaves no selection.
inline void showIndex(QComboBox *box, long long index)
{
    const QSignalBlocker block(box);
    box->setCurrentIndex(index >= 0 && index < box->count() ? int(index) : -1);
}

// Stores the selected item's index (plus offset). With no selection, because the record held
// a value outside the list, the record keeps its original value.
template <typename T> void storeIndex(const QComboBox *box, T &field, int offset = 0)
{
    if (box->currentIndex() >= 0)
        field = T(box->currentIndex() + offset);
}

// "第" + n + "通道", the name every page gives channel n (1-based).
inline QString channelItemName(int n) { return QStringLiteral("第%1通道").arg(n); }

// A page's selector of channels, inputs or outputs and its copy-target list: items 1..count named
// by `name`, the targets led by `all`; the first item of each selected, without running handlers.
void fillSelectorAndCopyTargets(QComboBox *selector, QComboBox *targets, const QString &all, int count,
                                QString (*name)(int));

// A copy button over a copy-target list ("all" first, then one item per slot, as above or in a
// form): item 0 copies slot `from` to every other of the `count` slots in ascending order, item t
// to slot t-1 alone. No source (-1), no target selected (-1), a target past `count` or the source
// itself copies nothing.
template <typename CopyOne> void copyToTargets(int from, int targetItem, int count, CopyOne copyOne)
{
    if (from < 0 || targetItem < 0)
        return;
    if (targetItem == 0) {
        for (int to = 0; to < count; ++to)
            if (to != from)
                copyOne(to);
    } else if (targetItem - 1 != from && targetItem - 1 < count) {
        copyOne(targetItem - 1);
    }
}

// Check boxes over 0/1 fields: any non-zero value shows ticked; a store writes 1 or 0.
inline void showCheck(QCheckBox *box, long long value)
{
    const QSignalBlocker block(box);
    box->setChecked(value != 0);
}
template <typename T> void storeCheck(const QCheckBox *box, T &field) { field = T(box->isChecked() ? 1 : 0); }

// Spin edits clamp every value set into them, and their text when they lose the focus, into their
// range; a text that is not a number reads as the minimum. A stored value outside the range is
// therefore shown, and saved back, clamped.
void setUpSpin(QSpinBox *spin);
// The number the operator left in a spin edit before its range clamps it (for range checks that
// give their own message); a text that is not a number reads as the minimum.
long long typedSpinNumber(const QSpinBox *spin);
int spinValue(const QSpinBox *spin);
inline void showSpin(QSpinBox *spin, long long value)
{
    const QSignalBlocker block(spin);
    spin->setValue(int(std::clamp<long long>(value, spin->minimum(), spin->maximum())));
}
template <typename T> void storeSpin(const QSpinBox *spin, T &field) { field = T(spinValue(spin)); }

// One check of a page's validation: `ok` false shows `message` and moves the focus to `focus`
// (null: the focus stays where it is).
struct FieldCheck {
    bool ok;
    QString message;
    QWidget *focus;
};
// Runs the checks in order and stops at the first that fails; true when all pass.
bool passChecks(QWidget *parent, std::initializer_list<FieldCheck> checks);
