#pragma once

#include <QString>

namespace orvane {

enum class FieldKind { Text, Memo, Integer, Real, Boolean, DateTime, Other };

// What the program knows of a column: its name, its declared type and the
// size derived from it (a text column's declared maximum length).
struct FieldInfo {
    QString name;
    QString declaredType;
    FieldKind kind = FieldKind::Other;
    int size = 0;

    static FieldInfo fromDeclaration(const QString& name, const QString& declaredType);
};

} // namespace orvane
