#include "widgets/DesignFont.h"

#include <QStringList>

namespace orvane {

QFont designFont(const QFont& base)
{
    QFont font = base;
    font.setFamilies(
        {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Helvetica"), base.family()});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    return font;
}

} // namespace orvane
