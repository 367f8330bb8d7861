#pragma once
// Small patterns every page repeats: list indexes, numbers and texts between records and controls.
#include "shell/textfield.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include <cstring>

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

// A decimal number typed into a field; `ok` false when the text is not one.
inline long long fieldNumber(const QLineEdit *edit, bool *ok = nullptr) { return edit->text().toLongLong(ok); }

template <std::size_t N> void showText(QLineEdit *edit, const char (&field)[N]) { edit->setText(fieldText(field)); }
template <std::size_t N> void storeText(const QLineEdit *edit, char (&field)[N]) { setFieldText(field, edit->text()); }

template <typename T> bool recordsDiffer(const T &a, const T &b) { return std::memcmp(&a, &b, sizeof(T)) != 0; }

inline bool bytesDiffer(const void *a, const void *b, std::size_t offset, std::size_t length)
{
    return std::memcmp(static_cast<const char *>(a) + offset, static_cast<const char *>(b) + offset, length) != 0;
}
