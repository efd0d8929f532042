#include "CommandLine.h"
#include "Commands.h"
#include "DatabaseAccess.h"

#include "store/Columns.h"

namespace orvane::db {

namespace {

// A setting as the Properties window edits it: its column of System and
// the most characters its box takes.
struct Setting {
    const char* name;
    QLatin1StringView column;
    int limit;
};

constexpr Setting kSettings[] = {
    {"wake-up", Columns::kWakeUp, Columns::kWakeUpLimit},
    {"mail-server", Columns::kMailServer, Columns::kMailServerLimit},
    {"port", Columns::kSmtpPort, Columns::kSmtpPortLimit},
};

} // namespace

int setCommand(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("set"),
                     QStringLiteral("Changes a setting within the Properties window's limits: wake-up N (ticks of "
                                    "65.5 s between two wake-ups, at most %1 characters), mail-server HOST (at most "
                                    "%2) or port N (at most %3). Orvane reads the settings when it starts.")
                         .arg(QString::number(Columns::kWakeUpLimit), QString::number(Columns::kMailServerLimit),
                              QString::number(Columns::kSmtpPortLimit)));
    line.addPositional(QStringLiteral("SETTING"), QStringLiteral("wake-up, mail-server or port."));
    line.addPositional(QStringLiteral("VALUE"), QStringLiteral("The new value."));
    line.allowWait();
    if (auto done = line.parse(arguments, 2, 2))
        return *done;
    const QString name = line.positionals()[0];
    const QString text = line.positionals()[1];
    const Setting* setting = nullptr;
    for (const Setting& s : kSettings) {
        if (name == QLatin1String(s.name))
            setting = &s;
    }
    if (!setting)
        return line.fail(QStringLiteral("no setting \"%1\": wake-up, mail-server or port").arg(name));
    if (text.isEmpty())
        return line.fail(QStringLiteral("%1 needs a value").arg(name));
    if (text.size() > setting->limit)
        return line.fail(QStringLiteral("%1 takes at most %2 characters; \"%3\" has %4")
                             .arg(name, QString::number(setting->limit), text, QString::number(text.size())));

    const auto access = DatabaseAccess::forWriting(line.dir(), line.wait());
    if (!access.ok())
        return line.fail(access.failure().description);
    if (const Status stored = access.value().store().setSetting(setting->column, text); !stored.ok())
        return line.fail(stored.failure().description);
    // As in the Properties window: the program reads its settings once.
    CommandLine::print(QStringLiteral("%1 is set; it takes effect at the next start of Orvane\n").arg(name));
    return kSucceeded;
}

} // namespace orvane::db
