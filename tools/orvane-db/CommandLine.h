#pragma once

#include "MaintenanceWait.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace orvane::db {

// Exit codes of every command: 0 only when it did all it was asked.
constexpr int kSucceeded = 0;
constexpr int kFailed = 1;   // a bad value, a refused or failed change
constexpr int kBadUsage = 2; // an unknown option, a missing or extra argument

// One command's own command line: its QCommandLineParser with --dir and
// --help, and its one-line errors ("orvane-db COMMAND: ...").
class CommandLine {
public:
    CommandLine(const QString& command, const QString& description);

    void addPositional(const QString& name, const QString& description);
    void addOption(const QCommandLineOption& option) { parser_.addOption(option); }
    // --wait SECONDS, for a command that writes while Orvane may be running.
    void allowWait();

    // Parses the arguments that follow the command's name. Returns the exit
    // code when the command has nothing more to do (help shown, or a usage
    // error reported), nothing when it goes on.
    std::optional<int> parse(const QStringList& arguments, qsizetype minPositionals, qsizetype maxPositionals);

    QStringList positionals() const { return parser_.positionalArguments().mid(1); }
    bool isSet(const QCommandLineOption& option) const { return parser_.isSet(option); }
    QString value(const QCommandLineOption& option) const { return parser_.value(option); }
    // The folder of Sentrel.mdb: --dir, else the folder of orvane-db itself.
    QString dir() const;
    bool dirGiven() const { return parser_.isSet(dirOption_); }
    // How long a write waits: for a running wake-up cycle to end, by default
    // ten minutes, longer than a cycle of 1,000 entries takes; for another
    // orvane-db to let go, by default not at all (it may be stopped, and
    // the user is better told at once). --wait sets both.
    MaintenanceWait wait() const;
    static constexpr std::chrono::seconds kDefaultWait {600};

    // Reports a failure in one line on stderr; returns kFailed.
    int fail(const QString& message) const;
    // Writes text to stdout as UTF-8.
    static void print(const QString& text);
    // The text with its line breaks and tabs shown as \r, \n, \t and every
    // other character a terminal acts on as an escape (TerminalText), so
    // that a value quoted in a message keeps the message on one line and
    // the terminal as it was.
    static QString oneLine(const QString& text);

private:
    int usageError(const QString& message) const;

    QString command_;
    QCommandLineParser parser_;
    QCommandLineOption dirOption_;
    QCommandLineOption helpOption_;
    QCommandLineOption waitOption_;
    bool waitAllowed_ = false;
};

} // namespace orvane::db
