#include "WindowTest.h"

#include "windows/RecordBinding.h"

#include <QCheckBox>
#include <QLineEdit>

#include <vector>

using namespace orvane;
using namespace orvane::test;

namespace {

// The System table in three boxes, with every notice recorded.
class RecordBindingTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        binding.setDatabaseName(QStringLiteral("Sentrel.mdb"));
        binding.setRecordSource(QStringLiteral("System"));
        binding.bind(&wakeUp, QStringLiteral("Wake-up"));
        binding.bind(&server, QStringLiteral("Mail server"));
        binding.bind(&port, QStringLiteral("SMTP Port"));
        binding.setValidateHandler([this](qint16& action, bool& save) {
            notices.emplace_back(action, save);
            if (answerSave)
                save = *answerSave;
            if (answerAction)
                action = *answerAction;
        });
    }

    RecordBinding binding;
    QLineEdit wakeUp, server, port;
    std::vector<std::pair<qint16, bool>> notices; // action, save flag as raised
    std::optional<bool> answerSave;
    std::optional<qint16> answerAction;
};

} // namespace

TEST_F(RecordBindingTest, UpdateWritesOnlyTheChangedBoxes)
{
    ASSERT_TRUE(binding.Refresh().ok());
    // Another connection changes a column that no box here has touched.
    db.exec(QStringLiteral("UPDATE System SET \"Wake-up\" = 9"));
    server.setText(QStringLiteral("mail.example.test"));
    port.setText(QString()); // an empty number box stores Null

    ASSERT_TRUE(binding.Edit().ok());
    ASSERT_TRUE(binding.Update().ok());
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], std::make_pair(RecordBinding::kUpdate, true));
    EXPECT_EQ(column(QStringLiteral("System"), QStringLiteral("Wake-up"), 1), Value(9));
    EXPECT_EQ(column(QStringLiteral("System"), QStringLiteral("Mail server"), 1), Value("mail.example.test"));
    EXPECT_TRUE(column(QStringLiteral("System"), QStringLiteral("SMTP Port"), 1).isNull());
    // After storing, the boxes show the stored row.
    EXPECT_EQ(wakeUp.text(), QStringLiteral("9"));
    EXPECT_FALSE(binding.hasChanges());
}

TEST_F(RecordBindingTest, AFalseSaveFlagKeepsTheBoxesOutOfTheRow)
{
    ASSERT_TRUE(binding.Refresh().ok());
    server.setText(QStringLiteral("mail.example.test"));
    answerSave = false;
    ASSERT_TRUE(binding.Edit().ok());
    ASSERT_TRUE(binding.recordset().setValue(QStringLiteral("Wake-up"), Value(7)).ok());
    ASSERT_TRUE(binding.Update().ok());
    // The row is stored, with the direct assignment but without the box.
    EXPECT_EQ(column(QStringLiteral("System"), QStringLiteral("Wake-up"), 1), Value(7));
    EXPECT_EQ(column(QStringLiteral("System"), QStringLiteral("Mail server"), 1), Value("localhost"));
}

TEST_F(RecordBindingTest, AnActionTurnedIntoAnotherCancelsTheStore)
{
    ASSERT_TRUE(binding.Refresh().ok());
    server.setText(QStringLiteral("mail.example.test"));
    answerAction = RecordBinding::kAddNew;
    ASSERT_TRUE(binding.Edit().ok());
    ASSERT_TRUE(binding.recordset().setValue(QStringLiteral("Wake-up"), Value(7)).ok());
    ASSERT_TRUE(binding.Update().ok());
    EXPECT_EQ(column(QStringLiteral("System"), QStringLiteral("Wake-up"), 1), Value(5));
    EXPECT_EQ(column(QStringLiteral("System"), QStringLiteral("Mail server"), 1), Value("localhost"));
}

TEST_F(RecordBindingTest, UnloadRaisesActionElevenAndWritesOnlyWhenTheFlagStaysTrue)
{
    ASSERT_TRUE(binding.Refresh().ok());
    server.setText(QStringLiteral("kept.example.test"));
    ASSERT_TRUE(binding.Unload().ok());
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], std::make_pair(RecordBinding::kUnload, true));
    EXPECT_EQ(column(QStringLiteral("System"), QStringLiteral("Mail server"), 1), Value("kept.example.test"));
    EXPECT_FALSE(binding.isOpen());

    notices.clear();
    answerSave = false;
    ASSERT_TRUE(binding.Refresh().ok());
    server.setText(QStringLiteral("dropped.example.test"));
    ASSERT_TRUE(binding.Unload().ok());
    EXPECT_EQ(notices.at(0).first, RecordBinding::kUnload);
    EXPECT_EQ(column(QStringLiteral("System"), QStringLiteral("Mail server"), 1), Value("kept.example.test"));
}

TEST_F(RecordBindingTest, LeavingARowWritesItsChangedBoxesFirst)
{
    RecordBinding urls;
    QLineEdit url, subject;
    QCheckBox active;
    urls.setDatabaseName(QStringLiteral("Sentrel.mdb"));
    urls.setRecordSource(QStringLiteral("URLs"));
    urls.bind(&url, QStringLiteral("URL"));
    urls.bind(&subject, QStringLiteral("Subject"));
    urls.bind(&active, QStringLiteral("Active"));
    std::vector<qint16> actions;
    urls.setValidateHandler([&](qint16& action, bool&) { actions.push_back(action); });

    const qint64 first = db.addEntry(QStringLiteral("http://a.test/"), QStringLiteral("W"), false);
    const qint64 second = db.addEntry(QStringLiteral("http://b.test/"));
    ASSERT_TRUE(urls.Refresh().ok());
    EXPECT_EQ(url.text(), QStringLiteral("http://a.test/"));
    EXPECT_FALSE(active.isChecked());

    subject.setText(QStringLiteral("Changed"));
    active.setChecked(true);
    ASSERT_TRUE(urls.AddNew().ok());
    EXPECT_EQ(column(QStringLiteral("URLs"), QStringLiteral("Subject"), first), Value("Changed"));
    EXPECT_EQ(column(QStringLiteral("URLs"), QStringLiteral("Active"), first), Value(-1));
    EXPECT_EQ(url.text(), QString()); // the new row is blank
    EXPECT_FALSE(active.isChecked());

    // The new row was never changed: leaving it drops it.
    ASSERT_TRUE(urls.FindFirst(QStringLiteral("URL = 'http://b.test/   '")).ok());
    EXPECT_EQ(url.text(), QStringLiteral("http://b.test/"));
    EXPECT_EQ(countRows(QStringLiteral("URLs")), 2);
    EXPECT_EQ(urls.recordset().bookmark(), std::optional<qint64>(second));

    ASSERT_TRUE(urls.MovePrevious().ok());
    EXPECT_EQ(url.text(), QStringLiteral("http://a.test/"));
    EXPECT_EQ(actions, (std::vector<qint16>{RecordBinding::kAddNew, RecordBinding::kFind,
                                            RecordBinding::kMovePrevious}));
}
