#include "store/FindCriterion.h"

#include "base/ErrorCatalogue.h"

#include <QRegularExpression>

namespace orvane {

Result<FindCriterion> FindCriterion::parse(const QString& criterion)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*(?:\\[([^\\]]+)\\]|([A-Za-z_][A-Za-z0-9_]*))\\s*=\\s*'(.*)'\\s*$"),
        QRegularExpression::DotMatchesEverythingOption);
    const auto match = form.match(criterion);
    if (!match.hasMatch())
        return ErrorCatalogue::failure(ErrorCode::DbBadCriterion);
    FindCriterion result;
    result.column = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
    result.key = match.captured(3);
    return result;
}

} // namespace orvane
