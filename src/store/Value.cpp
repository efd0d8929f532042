#include "store/Value.h"

#include "base/ErrorCatalogue.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace orvane {

Result<QString> Value::toText() const
{
    switch (v_.index()) {
    case 1: return QString::number(std::get<1>(v_));
    case 2: return QString::number(std::get<2>(v_), 'g', QLocale::FloatingPointShortest);
    case 3: return std::get<3>(v_);
    default: return ErrorCatalogue::failure(ErrorCode::NullValue);
    }
}

QString Value::textOrEmpty() const
{
    auto text = toText();
    return text.ok() ? std::move(text).value() : QString();
}

Result<double> Value::toReal() const
{
    switch (v_.index()) {
    case 1: return static_cast<double>(std::get<1>(v_));
    case 2: return std::get<2>(v_);
    case 3: {
        bool ok = false;
        const double d = QLocale::c().toDouble(std::get<3>(v_).trimmed(), &ok);
        if (!ok)
            return ErrorCatalogue::failure(ErrorCode::TypeMismatch);
        return d;
    }
    default: return ErrorCatalogue::failure(ErrorCode::NullValue);
    }
}

Result<qint64> Value::toWhole(qint64 lo, qint64 hi) const
{
    if (const auto* n = std::get_if<qint64>(&v_)) {
        if (*n < lo || *n > hi)
            return ErrorCatalogue::failure(ErrorCode::Overflow);
        return *n;
    }
    auto real = toReal();
    if (!real.ok())
        return real.failure();
    const double d = real.value();
    if (!std::isfinite(d))
        return ErrorCatalogue::failure(ErrorCode::Overflow);
    // nearbyint rounds half to even in the default rounding mode
    const double rounded = std::nearbyint(d);
    // Every double in [-2^63, 2^63) converts to a 64-bit integer; 2^63, which
    // is what the largest 64-bit integer becomes as a double, does not.
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (rounded < -kTwoTo63 || rounded >= kTwoTo63)
        return ErrorCatalogue::failure(ErrorCode::Overflow);
    const auto n = static_cast<qint64>(rounded);
    if (n < lo || n > hi)
        return ErrorCatalogue::failure(ErrorCode::Overflow);
    return n;
}

Result<qint16> Value::toInt16() const
{
    auto n = toWhole(std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max());
    if (!n.ok())
        return n.failure();
    return static_cast<qint16>(n.value());
}

Result<qint32> Value::toInt32() const
{
    auto n = toWhole(std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    if (!n.ok())
        return n.failure();
    return static_cast<qint32>(n.value());
}

} // namespace orvane
