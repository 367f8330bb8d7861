#pragma once
// Record text fields as the controls show them.
#include "command/gbktext.h"

#include <QString>

template <std::size_t N> QString fieldText(const char (&field)[N])
{
    return QString::fromStdU16String(gbk::readField(field, N));
}

template <std::size_t N> void setFieldText(char (&field)[N], const QString &text)
{
    gbk::writeField(field, N, text.toStdU16String());
}
