#include "engine/MailAlert.h"

#include "base/ErrorCatalogue.h"
#include "base/SignForm.h"
#include "engine/FixedHeaders.h"
#include "store/Columns.h"
#include "text/MailEncoding.h"

namespace orvane {

namespace {

struct KindTexts {
    const char* subject; // the short form; the long one adds " : "
    const char* body;
};

KindTexts textsFor(AlertKind kind)
{
    switch (kind) {
    case AlertKind::WholePage:
        return {"Whole page changed", "The following URL has changed or a table change alert has been triggered : "};
    case AlertKind::StringSearch:
        return {"Page changed (string search)",
                "The following URL has changed or a table change alert has been triggered : "};
    case AlertKind::TableAlert:
        return {"Page changed (table alert)",
                "The following URL has changed or a table change alert has been triggered : "};
    case AlertKind::NoTable:
        return {"No table to find (table alert)", "There is no table to be found during a table alert : "};
    case AlertKind::PageFault: break;
    }
    return {"Page fault", "The following URL cannot be accessed : "};
}

} // namespace

MailAlert::MailAlert(const Settings& settings, MailClient& mailer, MessageBoxes& messages, const Clock& clock)
    : settings_(settings), mailer_(mailer), messages_(messages), clock_(clock)
{
}

QString MailAlert::subject(AlertKind kind, const Value& entrySubject)
{
    QString shortForm = QString::fromLatin1(textsFor(kind).subject);
    if (entrySubject.isNull())
        return shortForm;
    return shortForm + QStringLiteral(" : ") + entrySubject.textOrEmpty();
}

QString MailAlert::messageId(const QDateTime& now)
{
    const QDate date = now.date();
    const int seconds = now.time().msecsSinceStartOfDay() / 1000;
    return QString::number(date.year()) + QString::number(date.month()) + QString::number(date.day())
        + QString::number(seconds) + QStringLiteral("_Sentrel");
}

Result<QString> MailAlert::body(const WatchEntry& entry, AlertKind kind, const Failure& fault)
{
    auto url = entry.value(Columns::kUrl);
    if (!url.ok())
        return url.failure();
    // A URL that is not ASCII goes in its ASCII form: the mail says it is US-ASCII.
    QString text = QString::fromLatin1(textsFor(kind).body) + MailEncoding::asciiUrl(url.value().textOrEmpty());
    if (kind == AlertKind::PageFault) {
        text += QStringLiteral("\r\n\r\n") + signForm(fault.number) + QStringLiteral(" : ")
            + ErrorCatalogue::standardText(fault);
    }
    return text;
}

Result<Mail> MailAlert::mail(const WatchEntry& entry, AlertKind kind, const Failure& fault) const
{
    const RowReader& row = entry;
    Mail mail;
    mail.server = settings_.mailServer;
    if (!settings_.port.ok())
        return settings_.port.failure();
    mail.port = settings_.port.value();

    auto email = row.value(Columns::kEMail);
    if (!email.ok())
        return email.failure();
    auto to = email.value().toText();
    if (!to.ok())
        return to.failure();
    mail.headers.emplace_back(QStringLiteral("To"), to.value());

    auto entrySubject = row.value(Columns::kSubject);
    if (!entrySubject.ok())
        return entrySubject.failure();
    mail.headers.emplace_back(QStringLiteral("Subject"), subject(kind, entrySubject.value()));

    // One reading of the clock, so that date and time cannot straddle midnight.
    mail.headers.emplace_back(QStringLiteral("Message-Id"), messageId(clock_.now()));
    mail.headers.push_back(FixedHeaders::kContentType);

    auto content = row.value(Columns::kContent);
    if (!content.ok())
        return content.failure();
    QString length = QStringLiteral(" ");
    if (!content.value().isNull())
        length += QString::number(content.value().textOrEmpty().size() + 2);
    mail.headers.emplace_back(QStringLiteral("Content-Length"), length);

    mail.headers.push_back(FixedHeaders::kFrom);

    auto text = body(entry, kind, fault);
    if (!text.ok())
        return text.failure();
    mail.body = text.value();
    return mail;
}

Result<MailAlert::Delivery> MailAlert::send(const WatchEntry& entry, AlertKind kind, const Failure& fault)
{
    const auto made = mail(entry, kind, fault);
    if (!made.ok())
        return made.failure();
    const Status sent = mailer_.send(made.value());
    if (sent.ok())
        return Delivery::Sent;

    // The client's own account and the server's last word, so that the user
    // learns what to change.
    QString text = QStringLiteral("Cannot send EMail message : ") + signForm(sent.failure().number)
        + QStringLiteral(" : ") + sent.failure().description;
    if (const QString reply = mailer_.serverReply(); !reply.isEmpty())
        text += QStringLiteral("\nThe mail server answered: ") + reply;
    messages_.warn(QStringLiteral("Cannot Send EMail"), text);
    return Delivery::Refused;
}

} // namespace orvane
