#include "base/ErrorCatalogue.h"

#include "base/PageFetcher.h"

#include <QTimeZone>

namespace orvane {

namespace {

const char* ownText(ErrorCode code)
{
    switch (code) {
    case ErrorCode::None: return "";
    case ErrorCode::Overflow: return "Overflow: the number does not fit its range.";
    case ErrorCode::NullValue: return "Invalid use of Null: the field holds no value.";
    case ErrorCode::TypeMismatch: return "Type mismatch: the value cannot be converted.";
    case ErrorCode::InvalidArgument: return "Invalid argument.";
    case ErrorCode::FileWrite: return "The file cannot be written.";
    case ErrorCode::DbNotFound: return "The database file does not exist.";
    case ErrorCode::DbNotADatabase: return "The file is not a database.";
    case ErrorCode::DbLocked: return "The database is locked by another program.";
    case ErrorCode::DbCannotOpen: return "The database file cannot be opened.";
    case ErrorCode::DbReadOnly: return "The database is read-only.";
    case ErrorCode::DbFull: return "The disk is full; nothing was stored.";
    case ErrorCode::DbCorrupt: return "The database file is damaged.";
    case ErrorCode::DbIo: return "A disk error occurred on the database file.";
    case ErrorCode::DbRejected: return "The database engine rejected the statement.";
    case ErrorCode::DbNoCurrentRecord: return "No current record.";
    case ErrorCode::DbNotEditing: return "Update without Edit or AddNew.";
    case ErrorCode::DbFieldNotFound: return "Item not found in this collection.";
    case ErrorCode::DbRecordDeleted: return "The record has been deleted.";
    case ErrorCode::DbBadCriterion: return "The find criterion is not valid.";
    case ErrorCode::DbConstraint: return "The change breaks a rule of the database.";
    case ErrorCode::DbNotUpdatable: return "The recordset cannot be updated.";
    case ErrorCode::DbClosed: return "The object is closed.";
    case ErrorCode::DbFieldTooSmall: return "The text is longer than the column allows.";
    case ErrorCode::DbEngine: return "Database engine error.";
    case ErrorCode::FetchTooLarge: {
        static const QByteArray text =
            QStringLiteral("The page is larger than the %1 MB limit.").arg(PageFetcher::kMaxPageMegabytes).toLatin1();
        return text.constData();
    }
    case ErrorCode::FetchProtocol: return "Only http and https addresses can be fetched.";
    case ErrorCode::FetchNoAddress: return "The address is empty or malformed.";
    case ErrorCode::FetchUnaskedNotModified:
        return "The web server answered 304 (Not Modified) to a request for the whole page, and sent no page.";
    case ErrorCode::MailBadPort: return "The SMTP port is not a number from 1 to 65535.";
    case ErrorCode::MailBadAddress: return "The mail address is empty, holds a line break or is no list of addresses.";
    case ErrorCode::MailNetrcUnsafe: return "The .netrc file can be read or changed by other users; it is not used.";
    case ErrorCode::MailNetrcUnusable:
        return "The .netrc file's entry for the mail server cannot be used (a quote left open, or a password without a "
               "login).";
    case ErrorCode::MailNeedsSmtpUtf8:
        return "The address is not ASCII before its @, which only a server that accepts international addresses "
               "(SMTPUTF8) takes.";
    case ErrorCode::ControlChannel: return "The running program cannot be asked.";
    case ErrorCode::ControlListen: return "The control socket cannot be opened; orvane-db cannot reach the program.";
    case ErrorCode::ControlUntrusted:
        return "The control socket is not the user's own: another user serves it or owns its file or folder.";
    case ErrorCode::ControlNoListener: return "Nothing listens on the control socket.";
    case ErrorCode::TransferBase: break;
    }
    return nullptr;
}

const char* httpReason(long status)
{
    switch (status) {
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 402: return "Payment Required";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 406: return "Not Acceptable";
    case 407: return "Proxy Authentication Required";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
    case 410: return "Gone";
    case 411: return "Length Required";
    case 412: return "Precondition Failed";
    case 413: return "Content Too Large";
    case 414: return "URI Too Long";
    case 415: return "Unsupported Media Type";
    case 416: return "Range Not Satisfiable";
    case 417: return "Expectation Failed";
    case 418: return "I'm a teapot";
    case 421: return "Misdirected Request";
    case 422: return "Unprocessable Content";
    case 423: return "Locked";
    case 424: return "Failed Dependency";
    case 425: return "Too Early";
    case 426: return "Upgrade Required";
    case 428: return "Precondition Required";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 451: return "Unavailable For Legal Reasons";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    case 505: return "HTTP Version Not Supported";
    case 506: return "Variant Also Negotiates";
    case 507: return "Insufficient Storage";
    case 508: return "Loop Detected";
    case 510: return "Not Extended";
    case 511: return "Network Authentication Required";
    default: return nullptr;
    }
}

// "The web server answered HTTP status 503 (Service Unavailable)", which
// what the server meant by it may follow.
QString statusLead(int status)
{
    QString text = QStringLiteral("The web server answered HTTP status %1").arg(status);
    if (const char* reason = httpReason(status))
        text += QStringLiteral(" (%1)").arg(QLatin1String(reason));
    return text;
}

} // namespace

QString ErrorCatalogue::standardText(int number)
{
    if (isHttpStatus(number))
        return statusLead(number) + QLatin1Char('.');
    if (const char* text = ownText(static_cast<ErrorCode>(number)))
        return QString::fromLatin1(text);
    return QStringLiteral("Application-defined or object-defined error.");
}

QString ErrorCatalogue::standardText(const Failure& failure)
{
    const bool ownText = isTransfer(failure.number) || isHttpStatus(failure.number);
    return ownText && !failure.description.isEmpty() ? failure.description : standardText(failure.number);
}

Failure ErrorCatalogue::failure(ErrorCode code)
{
    const int number = static_cast<int>(code);
    return {number, standardText(number)};
}

Failure ErrorCatalogue::failure(ErrorCode code, QString description)
{
    return {static_cast<int>(code), std::move(description)};
}

Failure ErrorCatalogue::httpFailure(long status)
{
    const int number = static_cast<int>(status);
    return {number, standardText(number)};
}

Failure ErrorCatalogue::botCheckFailure(long status, const QString& service)
{
    const int number = static_cast<int>(status);
    const QString named = service.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(service);
    return {number,
            statusLead(number)
                + QStringLiteral(": the site's bot protection%1 asks for a web browser and turns programs away, "
                                 "so the page cannot be watched unless the site lets Orvane through.")
                      .arg(named)};
}

Failure ErrorCatalogue::rateLimitFailure(long status, const QDateTime& until, const QDateTime& now)
{
    const int number = static_cast<int>(status);
    QString text = statusLead(number);
    if (!until.isValid())
        return {number,
                text
                    + QStringLiteral(": the server limits how often its pages may be fetched; watch fewer of its "
                                     "pages or wake up less often.")};
    // Another day than today needs its date.
    const QDateTime shown = until.toTimeZone(now.timeZone());
    const QString format = shown.date() == now.date() ? QStringLiteral("HH:mm:ss")
                                                      : QStringLiteral("yyyy-MM-dd HH:mm:ss");
    const QString lead = status == kTooManyRequests
        ? QStringLiteral(": the server limits how often its pages may be fetched and asks to wait until %1.")
        : QStringLiteral(": the server asks to wait until %1 before the page is fetched again.");
    return {number, text + lead.arg(shown.toString(format))};
}

} // namespace orvane
