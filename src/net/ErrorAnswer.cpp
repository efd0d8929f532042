#include "net/ErrorAnswer.h"

#include "base/ErrorCatalogue.h"

#include <curl/curl.h>

#include <algorithm>

namespace orvane {

namespace {

constexpr long kForbidden = 403;
constexpr long kServiceUnavailable = 503;
// A longer wait is no time a user can wait for: the value is not believed.
constexpr qint64 kMaxRetryAfterSeconds = qint64 {366} * 24 * 3600;
// The server's own name goes in the mail and the status line: a name, never
// a text a hostile server could fill them with.
constexpr qsizetype kMaxServiceChars = 40;

// A header by which a bot-protection service gives itself away.
struct BotCheckSign {
    const char* header;
    const char* value; // the whole value, compared without case
    // Else only on 403 and 503, the statuses of such a service's block page:
    // its Server header comes on every page it serves, good ones included.
    bool anyErrorStatus;
    const char* service; // the name shown; none: the one the Server header gives
};

constexpr BotCheckSign kBotCheckSigns[] = {
    {"cf-mitigated", "challenge", true, nullptr},
    {"Server", "AkamaiGHost", false, "AkamaiGHost"},
    {"Server", "ddos-guard", false, "ddos-guard"},
};

// Printable ASCII only, as the mail is, cut to a name's length.
QString shownName(const QByteArray& value)
{
    QString name;
    for (const char c : value.trimmed().left(kMaxServiceChars))
        name += c >= ' ' && c <= '~' ? QLatin1Char(c) : QLatin1Char('?');
    return name;
}

const BotCheckSign* botCheckSign(long status, const ErrorAnswer::Header& header)
{
    const bool blockPage = status == kForbidden || status == kServiceUnavailable;
    for (const BotCheckSign& sign : kBotCheckSigns) {
        if (!sign.anyErrorStatus && !blockPage)
            continue;
        if (const auto value = header(sign.header); value && qstricmp(value->trimmed().constData(), sign.value) == 0)
            return &sign;
    }
    return nullptr;
}

// The time a Retry-After value asks to wait for: a number of seconds from
// the answer, or an HTTP date; invalid when it is neither.
QDateTime retryAfter(const QByteArray& value, const QDateTime& answeredAt)
{
    const QByteArray text = value.trimmed();
    if (text.isEmpty())
        return {};
    if (std::all_of(text.cbegin(), text.cend(), [](char c) { return c >= '0' && c <= '9'; })) {
        bool ok = false;
        const qint64 seconds = text.toLongLong(&ok);
        return ok && seconds <= kMaxRetryAfterSeconds ? answeredAt.addSecs(seconds) : QDateTime();
    }
    // curl reads the three forms of an HTTP date.
    const time_t date = curl_getdate(text.constData(), nullptr);
    if (date < 0)
        return {};
    // A time already past asks for no wait.
    return std::max(QDateTime::fromSecsSinceEpoch(static_cast<qint64>(date), Qt::UTC), answeredAt);
}

} // namespace

Failure ErrorAnswer::read(long status, const Header& header, const QDateTime& answeredAt)
{
    const auto retryAfterHeader = [&] {
        const auto value = header("Retry-After");
        return value ? retryAfter(*value, answeredAt) : QDateTime();
    };
    // A 429 is a rate limit whoever sends it.
    if (status == ErrorCatalogue::kTooManyRequests)
        return ErrorCatalogue::rateLimitFailure(status, retryAfterHeader(), answeredAt);
    if (const BotCheckSign* sign = botCheckSign(status, header)) {
        QString service = QString::fromLatin1(sign->service);
        if (const auto server = header("Server"); service.isEmpty() && server)
            service = shownName(*server);
        return ErrorCatalogue::botCheckFailure(status, service);
    }
    if (status == kServiceUnavailable) {
        if (const QDateTime until = retryAfterHeader(); until.isValid())
            return ErrorCatalogue::rateLimitFailure(status, until, answeredAt);
    }
    return ErrorCatalogue::httpFailure(status);
}

} // namespace orvane
