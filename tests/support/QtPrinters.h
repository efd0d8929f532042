#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

// Readable Qt strings in GoogleTest's failure messages; found by
// argument-dependent lookup, so they live in Qt's (the global) namespace.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* out)
{
    *out << '"' << bytes.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << (list.isEmpty() ? "{}" : "{\"" + list.join(QStringLiteral("\", \"")).toStdString() + "\"}");
}
