#pragma once

// Readable GoogleTest failure messages for Qt strings. Included into every
// test translation unit by the build.

#include <QString>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
