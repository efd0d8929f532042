#pragma once

#include <QString>
#include <QtGlobal>

namespace orvane {

// A whole number's decimal digits after one blank when it is zero or
// positive, after "-" when it is negative.
inline QString signForm(qint64 n)
{
    return n < 0 ? QString::number(n) : QLatin1Char(' ') + QString::number(n);
}

} // namespace orvane
