#include "windows/ColumnText.h"

#include "platform/ErrorCatalogue.h"

#include <QDateTime>

#include <cmath>
#include <limits>

namespace orvane {

namespace {

Failure refused(const QString& text, const FieldInfo& field, const Failure& why)
{
    return {why.number, QStringLiteral("The text \"%1\" cannot be stored in \"%2\". %3")
                            .arg(text, field.name, ErrorCatalogue::standardText(why.number))};
}

Result<Value> whole(const QString& text, const FieldInfo& field)
{
    qint64 lo = std::numeric_limits<qint64>::min();
    qint64 hi = std::numeric_limits<qint64>::max();
    if (field.size == 2) {
        lo = std::numeric_limits<qint16>::min();
        hi = std::numeric_limits<qint16>::max();
    } else if (field.size == 4) {
        lo = std::numeric_limits<qint32>::min();
        hi = std::numeric_limits<qint32>::max();
    }
    auto n = Value(text).toWhole(lo, hi);
    if (!n.ok())
        return refused(text, field, n.failure());
    return Value(n.value());
}

Result<Value> real(const QString& text, const FieldInfo& field)
{
    auto d = Value(text).toReal();
    if (!d.ok())
        return refused(text, field, d.failure());
    if (!std::isfinite(d.value()))
        return refused(text, field, ErrorCatalogue::failure(ErrorCode::Overflow));
    return Value(d.value());
}

Result<Value> yesNo(const QString& text, const FieldInfo& field)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("on"))
        return Value(-1);
    if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("off"))
        return Value(0);
    auto d = Value(t).toReal();
    if (!d.ok())
        return refused(text, field, d.failure());
    return Value(d.value() != 0.0 ? -1 : 0);
}

Result<Value> dateTime(const QString& text, const FieldInfo& field)
{
    const QString t = text.trimmed();
    static const char* const forms[] = {"yyyy-MM-dd hh:mm:ss", "yyyy-MM-ddThh:mm:ss", "yyyy-MM-dd hh:mm",
                                        "yyyy-MM-dd"};
    for (const char* form : forms) {
        const QDateTime when = QDateTime::fromString(t, QLatin1String(form));
        if (when.isValid())
            return Value(when.toString(QLatin1String(ColumnText::kDateTimeFormat)));
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
    case FieldKind::Other:
        return Value(text);
    case FieldKind::Integer:
    case FieldKind::Real:
    case FieldKind::Boolean:
    case FieldKind::DateTime:
        break;
    }
    if (text.trimmed().isEmpty())
        return Value();
    switch (field.kind) {
    case FieldKind::Integer: return whole(text, field);
    case FieldKind::Real: return real(text, field);
    case FieldKind::Boolean: return yesNo(text, field);
    default: return dateTime(text, field);
    }
}

} // namespace orvane
