#include "CommandLine.h"

#include "text/TerminalText.h"

#include <QCoreApplication>

#include <cstdio>

namespace orvane::db {

namespace {

void write(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

} // namespace

CommandLine::CommandLine(const QString& command, const QString& description)
    : command_(command),
      dirOption_(QStringLiteral("dir"),
                 QStringLiteral("The folder of Sentrel.mdb (default: the folder of orvane-db, where it and the "
                                "program are installed)."),
                 QStringLiteral("DIR")),
      helpOption_(QStringList {QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help.")),
      waitOption_(QStringLiteral("wait"),
                  QStringLiteral("How long to wait for Orvane's wake-up cycle to end before the change (default "
                                 "600), and for another orvane-db changing the database to finish (default: "
                                 "not at all)."),
                  QStringLiteral("SECONDS"))
{
    // The command's name is the first positional argument, so that the
    // usage line reads "orvane-db [options] COMMAND ...".
    parser_.addPositionalArgument(command, description, command);
    parser_.addOption(dirOption_);
    parser_.addOption(helpOption_);
}

void CommandLine::allowWait()
{
    parser_.addOption(waitOption_);
    waitAllowed_ = true;
}

MaintenanceWait CommandLine::wait() const
{
    if (!waitAllowed_ || !parser_.isSet(waitOption_))
        return {kDefaultWait, std::chrono::seconds {0}};
    const std::chrono::seconds given {parser_.value(waitOption_).toInt()};
    return {given, given};
}

void CommandLine::addPositional(const QString& name, const QString& description)
{
    parser_.addPositionalArgument(name, description);
}

std::optional<int> CommandLine::parse(const QStringList& arguments, qsizetype minPositionals, qsizetype maxPositionals)
{
    const QStringList all = QStringList {QCoreApplication::arguments().value(0), command_} + arguments;
    if (!parser_.parse(all))
        return usageError(parser_.errorText());
    if (parser_.isSet(helpOption_)) {
        print(parser_.helpText());
        return kSucceeded;
    }
    const QStringList given = positionals();
    if (given.size() < minPositionals)
        return usageError(QStringLiteral("too few arguments (see orvane-db %1 --help)").arg(command_));
    if (given.size() > maxPositionals)
        return usageError(QStringLiteral("unexpected argument \"%1\"").arg(oneLine(given.value(maxPositionals))));
    if (parser_.isSet(dirOption_) && parser_.value(dirOption_).isEmpty())
        return usageError(QStringLiteral("--dir needs a folder"));
    if (waitAllowed_ && parser_.isSet(waitOption_)) {
        bool number = false;
        if (parser_.value(waitOption_).toInt(&number) < 0 || !number)
            return usageError(QStringLiteral("--wait needs a number of seconds"));
    }
    return std::nullopt;
}

QString CommandLine::dir() const
{
    return parser_.isSet(dirOption_) ? parser_.value(dirOption_) : QCoreApplication::applicationDirPath();
}

int CommandLine::fail(const QString& message) const
{
    write(stderr, QStringLiteral("orvane-db %1: %2\n").arg(command_, oneLine(message)));
    return kFailed;
}

int CommandLine::usageError(const QString& message) const
{
    write(stderr, QStringLiteral("orvane-db %1: %2\n").arg(command_, oneLine(message)));
    return kBadUsage;
}

void CommandLine::print(const QString& text)
{
    write(stdout, text);
}

QString CommandLine::oneLine(const QString& text)
{
    return TerminalText::escaped(text);
}

} // namespace orvane::db
