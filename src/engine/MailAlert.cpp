#include "engine/MailAlert.h"

#include "engine/AlertKind.h"
#include "platform/ErrorCatalogue.h"
#include "platform/ScratchFile.h"
#include "platform/SignForm.h"

namespace orvane {

namespace {

struct KindTexts {
    const char* subject; // the short form; the long one adds " : "
    const char* body;
};

// Any kind other than 1 to 4 is a page fault.
qint16 knownKind(qint16 CType)
{
    return CType >= AlertKind::WholePage && CType <= AlertKind::NoTable ? CType : AlertKind::PageFault;
}

KindTexts textsFor(qint16 CType)
{
    switch (knownKind(CType)) {
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
    default: return {"Page fault", "The following URL cannot be accessed : "};
    }
}

} // namespace

MailAlert::MailAlert(SentrelState& state, MailClient& smtp1, MessageBoxes& messages, const Clock& clock)
    : state_(state), smtp1_(smtp1), messages_(messages), clock_(clock)
{
}

QString MailAlert::subject(qint16 CType, const Value& entrySubject)
{
    const QString shortForm = QString::fromLatin1(textsFor(CType).subject);
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

Result<QString> MailAlert::body(qint16 CType) const
{
    auto url = state_.WatchRecordset.value(QStringLiteral("URL"));
    if (!url.ok())
        return url.failure();
    QString text = QString::fromLatin1(textsFor(CType).body) + url.value().textOrEmpty();
    if (knownKind(CType) == AlertKind::PageFault) {
        text += QStringLiteral("\r\n\r\n") + signForm(state_.FetchError) + QStringLiteral(" : ")
            + ErrorCatalogue::standardText(state_.FetchError);
    }
    return text;
}

Status MailAlert::mailIt(qint16 CType)
{
    ScratchFile::rewrite(state_.NewContent);

    const RowReader& row = state_.WatchRecordset;

    smtp1_.setServer(state_.MailServer);
    auto port = Value(state_.SmtpPort).toInt32();
    if (!port.ok())
        return port.failure();
    smtp1_.setPort(port.value());

    smtp1_.clearHeaders();

    auto email = row.value(QStringLiteral("EMail"));
    if (!email.ok())
        return email.failure();
    auto to = email.value().toText();
    if (!to.ok())
        return to.failure();
    smtp1_.addHeader(QStringLiteral("To"), to.value());

    auto entrySubject = row.value(QStringLiteral("Subject"));
    if (!entrySubject.ok())
        return entrySubject.failure();
    smtp1_.addHeader(QStringLiteral("Subject"), subject(CType, entrySubject.value()));

    // One reading of the clock, so that date and time cannot straddle midnight.
    smtp1_.addHeader(QStringLiteral("Message-Id"), messageId(clock_.now()));
    smtp1_.addHeader(QStringLiteral("Content-Type"), QStringLiteral("TEXT/PLAIN; charset=US-ASCII"));

    auto content = row.value(QStringLiteral("Content"));
    if (!content.ok())
        return content.failure();
    QString length = QStringLiteral(" ");
    if (!content.value().isNull())
        length += QString::number(content.value().textOrEmpty().size() + 2);
    smtp1_.addHeader(QStringLiteral("Content-Length"), length);

    smtp1_.addHeader(QStringLiteral("From"), QStringLiteral("Sentrel"));

    auto text = body(CType);
    if (!text.ok())
        return text.failure();
    smtp1_.send(text.value());

    if (smtp1_.status() != 0) {
        // The message names the error last recorded by the program's own
        // handling, and the client's status is none: it always reads 0.
        const int recorded = 0;
        messages_.warn(QStringLiteral("Cannot Send EMail"), QStringLiteral("Cannot send EMail message : ")
                                                                 + signForm(recorded) + QStringLiteral(" : ")
                                                                 + ErrorCatalogue::standardText(recorded));
    }
    return Status::success();
}

} // namespace orvane
