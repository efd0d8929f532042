// The table search as the engine runs it: over NewContent and the current
// row of a real watch database.

#include "Fakes.h"
#include "TempDatabase.h"

#include "engine/SentrelEngine.h"
#include "platform/MailClient.h"
#include "platform/PageFetcher.h"

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

class UnusedMail final : public MailClient {
public:
    void setServer(const QString&) override { used = true; }
    void setPort(qint32) override { used = true; }
    void clearHeaders() override { used = true; }
    void addHeader(const QString&, const QString&) override { used = true; }
    void send(const QString&) override { used = true; }
    int status() const override { return 0; }
    bool used = false;
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
    UnusedMail mail;
    RecordingView view;
    mSentrel module;
    SentrelEngine engine(module, view, EngineServices{messages, pointer, programEnd, clock, fetcher, mail});

    module.WatchDatabase = db.open();
    auto rs = module.WatchDatabase.openRecordset(QStringLiteral("Select * from [URLs] where Active = -1"));
    ASSERT_TRUE(rs.ok()) << rs.failure().description.toStdString();
    engine.state().WatchRecordset = std::move(rs).value();

    int alerts = 0;
    auto alert = [&] {
        ++alerts;
        return Status();
    };

    engine.state().NewContent = QStringLiteral("<table><tr><td>1</td></tr>"
                                               "<tr><td>2</td><td>3</td><td>Alpha</td></tr></table>");
    auto found = engine.doTableSearch(alert);
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(found.value(), TableSearch::Verdict::True);
    EXPECT_EQ(engine.cellPieces().size(), 1);
    EXPECT_EQ(engine.cellPieces().at(0), QStringLiteral("Alpha"));
    EXPECT_EQ(alerts, 0);

    engine.state().NewContent = QStringLiteral("<p>the table is gone</p>");
    auto gone = engine.doTableSearch(alert);
    ASSERT_TRUE(gone.ok());
    EXPECT_EQ(gone.value(), TableSearch::Verdict::Empty);
    EXPECT_EQ(alerts, 1);
    EXPECT_EQ(engine.cellPieces().at(0), QString());
    EXPECT_FALSE(mail.used);
}
