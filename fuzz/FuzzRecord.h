#pragma once

#include "store/Value.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace orvane::fuzz {

// A fuzz input read as a small record: "name=value" lines up to a line
// "---", then the body. Seeds stay readable and a mutation still means
// something. Without a "---" line the whole input is the body.
//
// A value reads as Null for "null", as a text for a leading '"' (the rest
// of the line), as a whole number or a real number when it is one, and as
// a text otherwise.
class FuzzRecord {
public:
    FuzzRecord(const uint8_t* data, size_t size)
    {
        const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
        const qsizetype split = input.startsWith("---\n") ? 0 : input.indexOf("\n---\n");
        if (split < 0) {
            body_ = input;
            return;
        }
        const qsizetype bodyStart = split == 0 ? 4 : split + 5;
        body_ = input.mid(bodyStart);
        for (const QByteArray& line : input.left(split).split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                fields_.append({line.left(eq), line.mid(eq + 1)});
        }
    }

    bool has(const char* name) const { return raw(name).has_value(); }

    // The field's value; nullopt when the record has no such field.
    std::optional<Value> value(const char* name) const
    {
        const auto text = raw(name);
        if (!text)
            return std::nullopt;
        return parse(*text);
    }

    // Every value of a field that may repeat, in order.
    QList<QByteArray> all(const char* name) const
    {
        QList<QByteArray> out;
        for (const auto& [n, v] : fields_)
            if (n == name)
                out.append(v);
        return out;
    }

    // A whole number kept within [lo, hi]; `fallback` when absent or no number.
    qint64 number(const char* name, qint64 fallback, qint64 lo, qint64 hi) const
    {
        const auto text = raw(name);
        bool ok = false;
        const qint64 n = text ? text->toLongLong(&ok) : 0;
        if (!ok)
            return fallback;
        return n < lo ? lo : n > hi ? hi : n;
    }

    const QByteArray& body() const { return body_; }

    // The body cut at "\n---\n" lines into `count` parts; missing parts are empty.
    QList<QByteArray> bodyParts(int count) const
    {
        QList<QByteArray> parts;
        qsizetype from = 0;
        for (int i = 0; i + 1 < count; ++i) {
            const qsizetype at = body_.indexOf("\n---\n", from);
            if (at < 0)
                break;
            parts.append(body_.mid(from, at - from));
            from = at + 5;
        }
        parts.append(body_.mid(from));
        while (parts.size() < count)
            parts.append(QByteArray());
        return parts;
    }

    static Value parse(const QByteArray& text)
    {
        if (text == "null")
            return Value::null();
        if (text.startsWith('"'))
            return Value(QString::fromUtf8(text.mid(1)));
        bool ok = false;
        if (const qint64 n = text.toLongLong(&ok); ok)
            return Value(n);
        if (const double d = text.toDouble(&ok); ok)
            return Value(d);
        return Value(QString::fromUtf8(text));
    }

private:
    std::optional<QByteArray> raw(const char* name) const
    {
        for (const auto& [n, v] : fields_)
            if (n == name)
                return v;
        return std::nullopt;
    }

    QList<std::pair<QByteArray, QByteArray>> fields_;
    QByteArray body_;
};

} // namespace orvane::fuzz
