#include "store/ColumnText.h"

#include "base/ErrorCatalogue.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>
#include <limits>

namespace orvane {

namespace {

Failure refused(const QString& text, const FieldInfo& field, const Failure& why)
{
    return {why.number,
            QStringLiteral("The text \"%1\" cannot be stored in \"%2\". %3")
                .arg(text, field.name, ErrorCatalogue::standardText(why.number))};
}

// The text as a number, read the way the store reads numbers.
Result<double> number(const QString& text)
{
    bool ok = false;
    const double d = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok)
        return ErrorCatalogue::failure(ErrorCode::TypeMismatch);
    if (!std::isfinite(d))
        return ErrorCatalogue::failure(ErrorCode::Overflow);
    return d;
}

Result<qint64> whole(const QString& text, const FieldInfo& field)
{
    double lo = static_cast<double>(std::numeric_limits<qint64>::min());
    double hi = static_cast<double>(std::numeric_limits<qint64>::max());
    if (field.size == 2) {
        lo = std::numeric_limits<qint16>::min();
        hi = std::numeric_limits<qint16>::max();
    } else if (field.size == 4) {
        lo = std::numeric_limits<qint32>::min();
        hi = std::numeric_limits<qint32>::max();
    }
    const auto d = number(text);
    if (!d.ok())
        return refused(text, field, d.failure());
    // A fraction rounds to the nearest whole number, a half to the even one.
    const double rounded = std::nearbyint(d.value());
    if (rounded < lo || rounded >= hi + 1.0)
        return refused(text, field, ErrorCatalogue::failure(ErrorCode::Overflow));
    return static_cast<qint64>(rounded);
}

Result<double> real(const QString& text, const FieldInfo& field)
{
    const auto d = number(text);
    if (!d.ok())
        return refused(text, field, d.failure());
    return d.value();
}

Result<qint64> yesNo(const QString& text, const FieldInfo& field)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("on"))
        return qint64(-1);
    if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("off"))
        return qint64(0);
    const auto d = number(t);
    if (!d.ok())
        return refused(text, field, d.failure());
    return qint64(d.value() != 0.0 ? -1 : 0);
}

Result<QString> dateTime(const QString& text, const FieldInfo& field)
{
    const QString t = text.trimmed();
    static const char* const forms[] = {"yyyy-MM-dd hh:mm:ss", "yyyy-MM-ddThh:mm:ss", "yyyy-MM-dd hh:mm", "yyyy-MM-dd"};
    for (const char* form : forms) {
        const QDateTime when = QDateTime::fromString(t, QLatin1String(form));
        if (when.isValid())
            return when.toString(QLatin1String(ColumnText::kDateTimeFormat));
    }
    return refused(text, field, ErrorCatalogue::failure(ErrorCode::TypeMismatch));
}

} // namespace

QString ColumnText::show(const Value& value)
{
    return value.textOrEmpty();
}

Result<Value> ColumnText::parse(const QString& text, const FieldInfo& field)
{
    switch (field.kind) {
    case FieldKind::Text:
        if (field.size > 0 && text.size() > field.size)
            return refused(text, field, ErrorCatalogue::failure(ErrorCode::DbFieldTooSmall));
        return Value(text);
    case FieldKind::Memo:
    case FieldKind::Other: return Value(text);
    case FieldKind::Integer:
    case FieldKind::Real:
    case FieldKind::Boolean:
    case FieldKind::DateTime: break;
    }
    if (text.trimmed().isEmpty())
        return Value::null();
    if (field.kind == FieldKind::Real) {
        const auto d = real(text, field);
        return d.ok() ? Result<Value>(Value(d.value())) : Result<Value>(d.failure());
    }
    if (field.kind == FieldKind::DateTime) {
        const auto when = dateTime(text, field);
        return when.ok() ? Result<Value>(Value(when.value())) : Result<Value>(when.failure());
    }
    const auto n = field.kind == FieldKind::Integer ? whole(text, field) : yesNo(text, field);
    return n.ok() ? Result<Value>(Value(n.value())) : Result<Value>(n.failure());
}

} // namespace orvane
