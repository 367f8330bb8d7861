#pragma once
// Key filters of the numeric fields. They only drop key presses; pasted text is checked when
// the page or dialog stores it.
class QAbstractSpinBox;
class QLineEdit;

// Digits and control characters only (backspace, the clipboard shortcuts).
void installDigitFilter(QLineEdit *edit);

// Spin edits: control characters pass; a digit passes only while the text, less its selection,
// holds at most two characters; with allowMinus the minus sign passes too; other keys drop.
void installSpinDigitFilter(QAbstractSpinBox *spin, bool allowMinus = false);
