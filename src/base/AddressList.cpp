#include "base/AddressList.h"

#include "base/ErrorCatalogue.h"

#include <QRegularExpression>

#include <algorithm>

namespace orvane {

namespace {

// Characters that end an atom in an address (RFC 5322), and start a name, a
// quoted string, a comment or a group; ',' and ';' separate the addresses.
const QString kSpecials = QStringLiteral("()<>[]:\\\"");

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

Failure refused(const QString& reason)
{
    return ErrorCatalogue::failure(ErrorCode::InvalidArgument, reason);
}

// Atoms joined by single dots, as a dot-atom is.
bool isDotAtom(const QString& text)
{
    const QStringList atoms = text.split(QLatin1Char('.'));
    return std::none_of(atoms.begin(), atoms.end(), [](const QString& atom) { return atom.isEmpty(); });
}

} // namespace

Result<QStringList> AddressList::parse(const QString& text)
{
    static const QRegularExpression separator(QStringLiteral("[,;]"));
    QStringList addresses;
    for (const QString& item : text.split(separator)) {
        qsizetype start = 0;
        qsizetype end = item.size();
        while (start < end && isBlank(item[start]))
            ++start;
        while (end > start && isBlank(item[end - 1]))
            --end;
        const QString address = item.mid(start, end - start);
        if (address.isEmpty())
            return refused(QStringLiteral("\"%1\" has an empty place in its list (a separator at an end, or two "
                                          "in a row)")
                               .arg(text));
        const bool plain = std::none_of(address.begin(), address.end(), [](QChar c) {
            return c.isSpace() || c.category() == QChar::Other_Control || kSpecials.contains(c);
        });
        if (!plain)
            return refused(QStringLiteral("\"%1\" is not a bare address (it has a blank, a control character or one of "
                                          "%2): write the address alone, jane@example.org, not Jane <jane@example.org>")
                               .arg(address, kSpecials));
        const qsizetype at = address.indexOf(QLatin1Char('@'));
        // A bare user name is a mailbox on the mail server itself; a local
        // relay delivers it, and entries saved before lists were checked hold it.
        if (at < 0 && isDotAtom(address)) {
            addresses << address;
            continue;
        }
        if (at <= 0 || at == address.size() - 1 || address.indexOf(QLatin1Char('@'), at + 1) >= 0)
            return refused(
                QStringLiteral("\"%1\" is not an address: it needs text on both sides of one @").arg(address));
        if (!isDotAtom(address.left(at)) || !isDotAtom(address.mid(at + 1)))
            return refused(
                QStringLiteral("\"%1\" is not an address: a dot at an end of a part, or two in a row").arg(address));
        addresses << address;
    }
    return addresses;
}

} // namespace orvane
