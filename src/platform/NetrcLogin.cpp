#include "platform/NetrcLogin.h"

#include "platform/ErrorCatalogue.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

// Any permission for the group or for others.
constexpr mode_t kOpenToOthers = S_IRWXG | S_IRWXO;

QString unquoted(QString token)
{
    if (token.size() >= 2 && token.startsWith(QLatin1Char('"')) && token.endsWith(QLatin1Char('"')))
        token = token.mid(1, token.size() - 2);
    return token;
}

} // namespace

QString NetrcLogin::defaultFile()
{
    return QDir(QDir::homePath()).filePath(QStringLiteral(".netrc"));
}

Result<bool> NetrcLogin::has(const QString& file, const QString& host)
{
    QFile netrc(file);
    if (!netrc.open(QIODevice::ReadOnly))
        return false; // libcurl cannot read it either: no login
    // Only tokens, no logins, are looked at. A word that merely looks like an
    // entry (inside a macro, say) can make TLS required where it need not be,
    // never the other way round.
    const QStringList tokens =
        QString::fromUtf8(netrc.readAll()).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    bool found = false;
    for (qsizetype i = 0; i < tokens.size() && !found; ++i) {
        found = tokens[i] == QLatin1String("default")
            || (tokens[i] == QLatin1String("machine") && i + 1 < tokens.size()
                && unquoted(tokens[i + 1]).compare(host, Qt::CaseInsensitive) == 0);
    }
    struct stat status { };
    if (found
        && (::fstat(netrc.handle(), &status) != 0 || (status.st_mode & kOpenToOthers) != 0
            || status.st_uid != ::geteuid())) {
        return ErrorCatalogue::failure(
            ErrorCode::MailNetrcUnsafe,
            QStringLiteral("%1 can be read or changed by other users, so its login for %2 is not used: "
                           "make it yours alone with chmod 600 %1.")
                .arg(QDir::toNativeSeparators(file), host));
    }
    return found;
}

} // namespace orvane
