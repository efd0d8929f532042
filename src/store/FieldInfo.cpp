#include "store/FieldInfo.h"

#include <QRegularExpression>

namespace orvane {

FieldInfo FieldInfo::fromDeclaration(const QString& name, const QString& declaredType)
{
    FieldInfo info;
    info.name = name;
    info.declaredType = declaredType;
    const QString type = declaredType.toUpper();

    static const QRegularExpression sized(QStringLiteral("\\(\\s*(\\d+)\\s*\\)"));
    const auto match = sized.match(type);
    const bool hasSize = match.hasMatch();

    if (type.contains(QLatin1String("CHAR")) || (type.contains(QLatin1String("TEXT")) && hasSize)) {
        info.kind = FieldKind::Text;
        info.size = hasSize ? match.captured(1).toInt() : 0;
    } else if (type.contains(QLatin1String("TEXT")) || type.contains(QLatin1String("MEMO"))
               || type.contains(QLatin1String("CLOB"))) {
        info.kind = FieldKind::Memo;
    } else if (type.contains(QLatin1String("BOOL")) || type.contains(QLatin1String("YESNO"))) {
        info.kind = FieldKind::Boolean;
        info.size = 1;
    } else if (type.contains(QLatin1String("DATE")) || type.contains(QLatin1String("TIME"))) {
        info.kind = FieldKind::DateTime;
        info.size = 8;
    } else if (type.contains(QLatin1String("SMALLINT"))) {
        info.kind = FieldKind::Integer;
        info.size = 2;
    } else if (type.contains(QLatin1String("INT"))) {
        info.kind = FieldKind::Integer;
        info.size = 4;
    } else if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA"))
               || type.contains(QLatin1String("DOUB"))) {
        info.kind = FieldKind::Real;
        info.size = 8;
    }
    return info;
}

} // namespace orvane
