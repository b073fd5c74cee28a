#pragma once

#include <QByteArray>
#include <QString>

#include <ostream>

// Readable GoogleTest failure messages for Qt strings.
inline void PrintTo(const QString &value, std::ostream *os)
{
    *os << '"' << value.toStdString() << '"';
}
inline void PrintTo(const QByteArray &value, std::ostream *os)
{
    *os << '"' << value.toStdString() << '"';
}
