// orvane-db check: fetches an entry's page now, as a wake-up does, and tells
// what the entry sees there and what the next wake-up would do with it.
// Stores nothing, mails nothing, writes no URL.html.

#include "CommandLine.h"
#include "Commands.h"
#include "DatabaseAccess.h"
#include "EntryId.h"
#include "SearchOptions.h"

#include "engine/EntryComparison.h"
#include "net/CurlPageFetcher.h"
#include "store/Columns.h"
#include "store/WatchEntry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace orvane::db {

namespace {

QString kindName(AlertKind kind)
{
    switch (kind) {
    case AlertKind::PageFault: return QStringLiteral("page fault");
    case AlertKind::WholePage: return QStringLiteral("whole page changed");
    case AlertKind::StringSearch: return QStringLiteral("string search change");
    case AlertKind::TableAlert: return QStringLiteral("table alert");
    case AlertKind::NoTable: return QStringLiteral("no table found");
    }
    return {};
}

QString consequence(AlertKind kind)
{
    switch (kind) {
    case AlertKind::PageFault: return QStringLiteral("mails the page fault and halts watching");
    case AlertKind::NoTable: return QStringLiteral("mails it, stores nothing");
    default: return QStringLiteral("stores the page as the entry's Content and mails the alert");
    }
}

QJsonValue textOrNull(const Result<Value>& value)
{
    if (!value.ok() || value.value().isNull())
        return QJsonValue::Null;
    return value.value().textOrEmpty();
}

QJsonObject fetchFacts(const FetchedPage& page)
{
    return {{"finalUrl", page.finalUrl},
            {"status", static_cast<qint64>(page.httpStatus)},
            {"wireBytes", page.wireBytes},
            {"contentEncoding", QString::fromLatin1(page.contentEncoding)},
            {"charset", QString::fromLatin1(page.charset)},
            {"etag", QString::fromLatin1(page.etag)},
            {"lastModified", QString::fromLatin1(page.lastModified)},
            {"characters", static_cast<qint64>(page.text.size())}};
}

// What the comparison found on the page, by search type.
void addFindings(QJsonObject& report, const EntryComparison::Outcome& outcome)
{
    if (const auto& s = outcome.stringSearch) {
        report["stringSearch"] = QJsonObject {{"position", static_cast<qint64>(s->found)},
                                              {"piece", s->newPiece},
                                              {"storedPiece", s->oldPiece},
                                              {"stepFailed", s->lastFailure != 0}};
    }
    if (const auto& t = outcome.tableSearch) {
        const bool found = !t->ok() || t->value() != TableSearch::Verdict::Empty;
        QJsonArray cells; // none cut when the table is missing
        for (qint32 j = 0; found && j < outcome.cellPieces.size(); ++j)
            cells.append(outcome.cellPieces.at(j));
        QJsonObject table {{"tableFound", found},
                           {"cells", cells},
                           {"allEqual", t->ok() && t->value() == TableSearch::Verdict::True}};
        if (!t->ok())
            table["failure"] = t->failure().description;
        report["tableSearch"] = table;
    }
}

QString quoted(const QJsonValue& text)
{
    return text.isNull() ? QStringLiteral("(none)") : QLatin1Char('"') + CommandLine::oneLine(text.toString()) + '"';
}

// The report as lines for a person; the same facts as the JSON.
QString asText(const QJsonObject& r)
{
    const auto line = [](const QString& label, const QString& text) {
        return QStringLiteral("%1 %2\n").arg(label, -15).arg(text);
    };
    QString out;
    out += line("Entry:",
                r["entry"].isNull() ? QStringLiteral("none (the options given)")
                                    : QString::number(r["entry"].toInteger()));
    out += line("URL:", r["url"].toString());
    out += line("Search type:", quoted(r["searchType"]));
    if (r.contains("fault")) {
        out += line("Fetch failed:", r["fault"]["description"].toString());
    } else {
        const QJsonObject f = r["fetch"].toObject();
        const auto orNone = [](const QJsonValue& v) { return v.toString().isEmpty() ? "none" : v.toString(); };
        out += line("Final address:", f["finalUrl"].toString());
        out += line("HTTP status:", QString::number(f["status"].toInteger()));
        out += line("On the wire:",
                    QStringLiteral("%1 bytes, content encoding %2")
                        .arg(f["wireBytes"].toInteger())
                        .arg(orNone(f["contentEncoding"])));
        out += line("Read as:",
                    QStringLiteral("%1, %2 characters").arg(f["charset"].toString()).arg(f["characters"].toInteger()));
        out += line("ETag:", orNone(f["etag"]));
        out += line("Last-Modified:", orNone(f["lastModified"]));
    }
    if (r.contains("stringSearch")) {
        const QJsonObject s = r["stringSearch"].toObject();
        const qint64 at = s["position"].toInteger();
        out += line("Search text:",
                    quoted(r["searchText"])
                        + (at == 0 ? QStringLiteral(" not found") : QStringLiteral(" found at character %1").arg(at)));
        out += line("Piece:", quoted(s["piece"]));
        out += line("Stored piece:", quoted(s["storedPiece"]));
    }
    if (r.contains("tableSearch")) {
        const QJsonObject t = r["tableSearch"].toObject();
        if (!t["tableFound"].toBool()) {
            out += line("Table:", QStringLiteral("not found"));
        } else {
            QStringList cells;
            for (const auto& cell : t["cells"].toArray())
                cells << quoted(cell);
            out += line("Cells:", cells.isEmpty() ? QStringLiteral("none") : cells.join(QStringLiteral(", ")));
            out += line("All equal:", quoted(r["searchText"]) + (t["allEqual"].toBool() ? ": yes" : ": no"));
        }
        if (t.contains("failure"))
            out += line("Search failed:", t["failure"].toString());
    }
    const QString when = r["firstVisit"].toBool() ? QStringLiteral("First visit:") : QStringLiteral("Next wake-up:");
    out += line(when,
                r["alert"].isNull()
                    ? QStringLiteral("no alert, nothing stored")
                    : QStringLiteral("alert %1, %2: %3")
                          .arg(r["alert"].toInteger())
                          .arg(r["alertName"].toString(), consequence(static_cast<AlertKind>(r["alert"].toInteger()))));
    return out;
}

} // namespace

int checkCommand(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("check"),
                     QStringLiteral("Fetches the page of an entry now, as a wake-up does, and tells what came back, "
                                    "what the entry's search finds there and whether the next wake-up would alert "
                                    "against the stored Content. Stores and mails nothing. Given a URL instead of an "
                                    "id, checks a new entry made as add makes it, on its first visit; given an id, "
                                    "the options replace the entry's own values."));
    line.addPositional(QStringLiteral("ID|URL"), QStringLiteral("An entry's id, as list shows it, or an address."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Prints the report as one JSON object."));
    line.addOption(json);
    const SearchOptions search;
    search.addTo(line);
    if (auto done = line.parse(arguments, 1, 1))
        return *done;

    const QString target = line.positionals().first();
    const auto id = EntryId::parse(target);
    WatchEntry given = id.ok() ? WatchEntry() : WatchEntry::fresh();
    SearchOptions::Texts texts;
    if (!id.ok())
        texts.emplace_back(Columns::kUrl, target);
    if (const Status s = search.read(line, given, texts); !s.ok())
        return line.fail(s.failure().description);

    const auto access = DatabaseAccess::forReading(line.dir());
    if (!access.ok())
        return line.fail(access.failure().description);
    const WatchStore& store = access.value().store();
    if (const Status s = SearchOptions::store(store, texts, given); !s.ok())
        return line.fail(s.failure().description);
    // The entry of the database, with the options given in place of its own.
    auto read = id.ok() ? store.entry(id.value()) : Result<WatchEntry>(WatchEntry());
    if (!read.ok())
        return line.fail(read.failure().description);
    WatchEntry entry = std::move(read).value();
    for (const auto& [column, value] : given.values())
        entry.set(column, value);

    // A Null (or missing) Content is a first visit: compared with the empty text.
    const auto stored = entry.value(Columns::kContent);
    QJsonObject report {{"entry", id.ok() ? QJsonValue(id.value()) : QJsonValue(QJsonValue::Null)},
                        {"url", textOrNull(entry.value(Columns::kUrl))},
                        {"searchType", textOrNull(entry.value(Columns::kSearchType))},
                        {"searchText", textOrNull(entry.value(Columns::kStringSearch))},
                        {"firstVisit", !stored.ok() || stored.value().isNull()},
                        {"alert", QJsonValue::Null},
                        {"alertName", QJsonValue::Null}};
    const auto raise = [&report](AlertKind kind) {
        report["alert"] = static_cast<int>(kind);
        report["alertName"] = kindName(kind);
    };

    // The cycle's own fetcher, with its defaults: user agent, size limit,
    // redirects and decoding are those of a wake-up.
    CurlPageFetcher fetcher;
    const auto url = entry.text(Columns::kUrl);
    const auto page = url.ok() ? fetcher.fetchPage(url.value()) : Result<FetchedPage>(url.failure());
    if (!page.ok()) {
        report["fault"] = QJsonObject {{"number", page.failure().number}, {"description", page.failure().description}};
        raise(AlertKind::PageFault);
    } else {
        report["fetch"] = fetchFacts(page.value());
        qint16 matchPos = 0; // as for the first string search of a wake-up
        const auto outcome = EntryComparison::run(entry, stored.ok() ? stored.value().textOrEmpty() : QString(),
                                                  page.value().text, matchPos, [](AlertKind) { return Status(); });
        // A search type that cannot be read runs every comparison; the first
        // alert is the one shown.
        if (!outcome.raised.empty())
            raise(outcome.raised.front());
        addFindings(report, outcome);
    }

    if (line.isSet(json))
        CommandLine::print(QString::fromUtf8(QJsonDocument(report).toJson(QJsonDocument::Compact)) + '\n');
    else
        CommandLine::print(asText(report));
    return kSucceeded;
}

} // namespace orvane::db
