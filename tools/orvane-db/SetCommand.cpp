#include "CommandLine.h"
#include "Commands.h"
#include "DatabaseAccess.h"
#include "TableColumns.h"

#include "store/ColumnText.h"
#include "store/Columns.h"
#include "store/SqlText.h"
#include "store/Statement.h"
#include "store/Transaction.h"

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

// Stores value into the first row of System, which is the one Orvane reads;
// makes that row when there is none.
Status store(const Database& db, const QString& column, const Value& value)
{
    const QString name = SqlText::quotedIdentifier(column);
    const QString table = SqlText::quotedIdentifier(Columns::kSystemTable);
    auto update = Statement::prepare(
        db.connection(),
        QStringLiteral("UPDATE %1 SET %2 = ?1 WHERE rowid = (SELECT min(rowid) FROM %1)").arg(table, name));
    if (!update.ok())
        return update.failure();
    if (Status s = update.value().bind(1, value); !s.ok())
        return s;
    if (Status s = update.value().run(); !s.ok())
        return s;
    auto insert = Statement::prepare(db.connection(),
                                     QStringLiteral("INSERT INTO %1 (%2) SELECT ?1 WHERE NOT EXISTS "
                                                    "(SELECT 1 FROM %1)")
                                         .arg(table, name));
    if (!insert.ok())
        return insert.failure();
    if (Status s = insert.value().bind(1, value); !s.ok())
        return s;
    return insert.value().run();
}

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
    const Database& db = access.value().database();
    const auto columns = TableColumns::read(db, Columns::kSystemTable);
    if (!columns.ok())
        return line.fail(columns.failure().description);
    const auto field = columns.value().field(setting->column);
    if (!field.ok())
        return line.fail(field.failure().description);
    const auto value = ColumnText::parse(text, field.value());
    if (!value.ok())
        return line.fail(value.failure().description);
    auto transaction = Transaction::begin(db);
    if (!transaction.ok())
        return line.fail(transaction.failure().description);
    Status stored = store(db, field.value().name, value.value());
    if (stored.ok())
        stored = transaction.value().commit();
    if (!stored.ok())
        return line.fail(stored.failure().description);
    // As in the Properties window: the program reads its settings once.
    CommandLine::print(QStringLiteral("%1 is set; it takes effect at the next start of Orvane\n").arg(name));
    return kSucceeded;
}

} // namespace orvane::db
