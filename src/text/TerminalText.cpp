#include "text/TerminalText.h"

namespace orvane {

namespace {

QString hex(char16_t c, int digits)
{
    return QStringLiteral("%1").arg(static_cast<uint>(c), digits, 16, QLatin1Char('0')).toUpper();
}

} // namespace

bool TerminalText::acts(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029 || (u >= 0x202A && u <= 0x202E)
        || (u >= 0x2066 && u <= 0x2069) || u == 0x061C || u == 0x200E || u == 0x200F;
}

QString TerminalText::escaped(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (!acts(c))
            shown += c;
        else if (c == QLatin1Char('\r'))
            shown += QLatin1String("\\r");
        else if (c == QLatin1Char('\n'))
            shown += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            shown += QLatin1String("\\t");
        else if (c.unicode() < 0x100)
            shown += QLatin1String("\\x") + hex(c.unicode(), 2);
        else
            shown += QLatin1String("\\u") + hex(c.unicode(), 4);
    }
    return shown;
}

QString TerminalText::escapedJson(const QString& json)
{
    QString shown;
    shown.reserve(json.size());
    for (const QChar c : json)
        shown += acts(c) ? QLatin1String("\\u") + hex(c.unicode(), 4) : QString(c);
    return shown;
}

} // namespace orvane
