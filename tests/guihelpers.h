#pragma once
// Small drivers shared by the widget tests.
#include <QAbstractButton>
#include <QComboBox>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

// Picks an item as the operator does: the selection moves and `activated` fires.
inline void choose(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

template <typename T = QWidget> T *child(const QWidget *parent, const QString &name)
{
    T *w = parent->findChild<T *>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
}

// Presses a button as the operator does, so its connection is tested too.
inline void press(const QWidget &parent, const char *button)
{
    if (auto *b = child<QAbstractButton>(&parent, QString::fromLatin1(button)))
        b->click();
}

// A fixed pseudo-random pattern, so a byte written by mistake shows in a comparison.
template <typename T> void fillPattern(T &record, std::uint32_t seed = 0x2545F491u)
{
    auto *bytes = reinterpret_cast<unsigned char *>(&record);
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        seed = seed * 1664525u + 1013904223u;
        bytes[i] = static_cast<unsigned char>(seed >> 24);
    }
}

template <typename T> bool sameBytes(const T &a, const T &b) { return std::memcmp(&a, &b, sizeof(T)) == 0; }
