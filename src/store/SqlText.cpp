#include "store/SqlText.h"

namespace orvane {

QString SqlText::quotedIdentifier(const QString& name)
{
    QString inner = name;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString SqlText::quotedIdentifiers(const QStringList& names)
{
    QStringList list;
    for (const QString& name : names)
        list << quotedIdentifier(name);
    return list.join(QLatin1String(", "));
}

QString SqlText::insertStatement(const QString& table, const QStringList& columns)
{
    if (columns.isEmpty())
        return QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
    QStringList places;
    for (qsizetype i = 1; i <= columns.size(); ++i)
        places << QStringLiteral("?%1").arg(i);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table, quotedIdentifiers(columns), places.join(QLatin1String(", ")));
}

} // namespace orvane
