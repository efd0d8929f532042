#pragma once

#include "base/Result.h"

#include <QString>
#include <QtGlobal>

#include <variant>

namespace orvane {

// A column value as the database gives it: Null, a whole number, a real
// number or a text. Null is distinct from the empty text.
class Value {
public:
    Value() = default; // Null
    explicit Value(qint64 n) : v_(n) { }
    explicit Value(int n) : v_(static_cast<qint64>(n)) { }
    explicit Value(double d) : v_(d) { }
    explicit Value(QString s) : v_(std::move(s)) { }
    explicit Value(const char* s) : v_(QString::fromUtf8(s)) { }

    static Value null() { return {}; }

    bool isNull() const { return v_.index() == 0; }
    bool isInteger() const { return v_.index() == 1; }
    bool isReal() const { return v_.index() == 2; }
    bool isText() const { return v_.index() == 3; }

    // Text form; a Null fails.
    Result<QString> toText() const;
    // Text form; a Null reads as the empty text.
    QString textOrEmpty() const;
    // Borrowed text when the value is a text, else nullptr (no copy).
    const QString* textPtr() const { return std::get_if<QString>(&v_); }

    // Whole number in [lo, hi]: a fraction rounds to the nearest integer,
    // a half to the even neighbour; text is read as a number. A Null, a text
    // that is no number, or a value out of range fails.
    Result<qint64> toWhole(qint64 lo, qint64 hi) const;
    Result<qint16> toInt16() const;
    Result<qint32> toInt32() const;
    Result<double> toReal() const;

    friend bool operator==(const Value&, const Value&) = default;

private:
    std::variant<std::monostate, qint64, double, QString> v_;
};

} // namespace orvane
