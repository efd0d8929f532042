// The table search as the engine runs it: over NewContent and the current
// row of a real watch database.

#include "Fakes.h"
#include "TempDatabase.h"

#include "engine/SentrelEngine.h"
#include "platform/MailClient.h"
#include "platform/PageFetcher.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

class UnusedFetcher final : public PageFetcher {
public:
    Result<QString> fetch(const QString&) override
    {
        ADD_FAILURE() << "the table search fetches nothing";
        return QString();
    }
};

// Keeps the headers of every mail handed over.
class CountingMail final : public MailClient {
public:
    void setServer(const QString&) override {}
    void setPort(qint32) override {}
    void clearHeaders() override { headers.clear(); }
    void addHeader(const QString& name, const QString& value) override { headers.emplace_back(name, value); }
    void send(const QString&) override { subjects.push_back(headers.at(1).second); }
    int status() const override { return 0; }
    std::vector<std::pair<QString, QString>> headers;
    std::vector<QString> subjects;
};

} // namespace

TEST(EngineTableSearch, ReadsTheCurrentEntryOfTheWatchDatabase)
{
    TempDatabase db;
    db.addEntry(QStringLiteral("http://127.0.0.1/page"), QStringLiteral("T"));
    db.exec(QStringLiteral("UPDATE URLs SET \"Table number\" = 1, \"Row number\" = 2, \"Column number\" = 3, "
                           "\"Repeat count\" = 1, \"String offset\" = 3, \"String length\" = 5, "
                           "\"String search\" = 'Alpha'"));

    RecordingMessages messages;
    RecordingPointer pointer;
    RecordingProgramEnd programEnd;
    FixedClock clock;
    UnusedFetcher fetcher;
    CountingMail mail;
    RecordingView view;
    mSentrel module;
    SentrelEngine engine(module, view, EngineServices{messages, pointer, programEnd, clock, fetcher, mail});

    module.WatchDatabase = db.open();
    auto rs = module.WatchDatabase.openRecordset(QStringLiteral("Select * from [URLs] where Active = -1"));
    ASSERT_TRUE(rs.ok()) << rs.failure().description.toStdString();
    engine.state().WatchRecordset = std::move(rs).value();

    engine.state().SmtpPort = QStringLiteral("25");
    QTemporaryDir scratch; // the alert writes URL.html into the current directory
    const QString saved = QDir::currentPath();
    QDir::setCurrent(scratch.path());

    engine.state().NewContent = QStringLiteral("<table><tr><td>1</td></tr>"
                                               "<tr><td>2</td><td>3</td><td>Alpha</td></tr></table>");
    auto found = engine.doTableSearch();
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(found.value(), TableSearch::Verdict::True);
    EXPECT_EQ(engine.cellPieces().size(), 1);
    EXPECT_EQ(engine.cellPieces().at(0), QStringLiteral("Alpha"));
    EXPECT_TRUE(mail.subjects.empty());

    engine.state().NewContent = QStringLiteral("<p>the table is gone</p>");
    auto gone = engine.doTableSearch();
    ASSERT_TRUE(gone.ok());
    EXPECT_EQ(gone.value(), TableSearch::Verdict::Empty);
    ASSERT_EQ(mail.subjects.size(), 1u); // the no-table alert, sent by the search itself
    EXPECT_EQ(mail.subjects[0], QStringLiteral("No table to find (table alert) : Weekly"));
    EXPECT_EQ(engine.cellPieces().at(0), QString());
    QDir::setCurrent(saved);
}
