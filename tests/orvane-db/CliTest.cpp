// Runs the built orvane-db on a database its init made in a temporary folder; reads it back with the SQLite C API.
#include "OrvaneDbRun.h"

#include "host/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using orvane::test::Ran;
using orvane::test::runOrvaneDb;

class Cli : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString db = dir.filePath("Sentrel.mdb"), csv = dir.filePath("in.csv"), lock = dir.filePath("Sentrel.lock");

    void SetUp() override { ASSERT_EQ(run({"init"}).code, 0); }

    Ran run(const QStringList& args) { return runOrvaneDb(dir.path(), args); }
    // The program copied beside the database, as installed; running, it would wait for its first tick a minute away.
    Ran runProgram()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QProcess orvane;
        orvane.start(dir.filePath("orvane"), {});
        return Ran::of(orvane);
    }
    QByteArray bytes(const QString& path, const QByteArray& replacement = {}) const
    {
        QFile f(path);
        if (!replacement.isEmpty())
            return f.open(QIODevice::WriteOnly) && f.write(replacement) == replacement.size() ? replacement : "";
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    // Each row of sql as its values joined by '|', a Null shown as "~".
    QStringList rows(const QByteArray& sql) const
    {
        const auto collect = [](void* to, int n, char** values, char**) {
            QStringList row;
            for (int i = 0; i < n; ++i)
                row << (values[i] ? QString::fromUtf8(values[i]) : "~");
            static_cast<QStringList*>(to)->append(row.join('|'));
            return 0;
        };
        sqlite3* h = nullptr;
        QStringList out;
        sqlite3_open(db.toUtf8().constData(), &h);
        if (sqlite3_exec(h, sql.constData(), collect, &out, nullptr) != SQLITE_OK)
            ADD_FAILURE() << sqlite3_errmsg(h);
        sqlite3_close(h);
        return out;
    }
};

// A header and three entries: Null against "", quotes, commas, CR LF.
const QByteArray kCsv =
    "\"URL\",\"EMail\",\"Subject\",\"Active\",\"Search type\",\"String search\",\"String offset\","
    "\"String length\",\"Table number\",\"Row number\",\"Column number\",\"Repeat count\","
    "\"Content\",\"Added\"\r\n"
    "\"http://a/\",\"a@x\",\"say \"\"hi\"\", then go\",-1,\"W\",,0,1,1,1,1,1,,\"2024-01-02 03:04:05\"\r\n"
    "\"http://b/\",\"b@x\",\"two\r\nlines\",0,\"S\",\"\",3,2,1,1,1,1,\"\",\"2024-01-02 03:04:06\"\r\n"
    "\"http://c/\",\"c@x\",\"c\",-1,,\"a,b\",,,,,,,\"<p>\r\n\"\"x\"\"</p>\",\r\n";

TEST_F(Cli, BadArgumentsAndImportsFailNamingTheValueOrRowAndChangeNothing)
{
    // A write the checks cannot foresee, as a full disk would refuse it.
    rows("CREATE TRIGGER no BEFORE INSERT ON URLs WHEN NEW.URL = 'http://no/' BEGIN SELECT RAISE(ABORT, 'no'); END");
    const QString url81(81, 'u');
    const QByteArray good = kCsv.left(kCsv.indexOf("\"http://c/\""));
    // clang-format off
    const struct { QStringList args; QString named; QByteArray file = {}; } cases[] = {
        {{"add", "u", "e"}, "add"}, {{"add", "", "e", "s"}, "URL"}, {{"add", "u", "e", ""}, "Subject"},
        {{"add", url81, "e", "s"}, url81}, {{"add", "u", "e", "s", "--offset", "12345"}, "12345"}, {{"frob"}, "frob"},
        {{"add", "u", "e", "s", "--table", "x1"}, "x1"}, {{"add", "u", "e", "s", "--type", "w"}, "\"w\""},
        {{"remove", "1"}, "1"}, {{"enable", "one"}, "one"}, {{"set", "port", "1234"}, "1234"},
        {{"add", "u", "a@x.org,", "s"}, "EMail"}, {{"add", "u", "Jane <j@x.org>", "s"}, "EMail"},
        {{"import", csv}, "row 3", good + "\"http://c/\",\"\",\"c\",-1,,,,,,,,,,\r\n"},      // no EMail
        {{"import", csv}, "row 3", good + "\"http://c/\",\"c@x;\",\"c\",-1,,,,,,,,,,\r\n"},  // no address list
        {{"import", csv}, "row 3", good + "\"http://c/\",\"c@x\",\"c\"x,-1,,,,,,,,,,\r\n"},  // stray quote
        {{"import", csv}, "row 3", good + "\"http://no/\",\"c@x\",\"c\",-1,,,,,,,,,,\r\n"}, // refused write
    };
    // clang-format on
    const QByteArray before = bytes(db);
    for (const auto& c : cases) {
        bytes(csv, c.file);
        const Ran r = run(c.args);
        EXPECT_TRUE(r.code != 0 && r.err.contains(c.named.toUtf8()) && r.err.count('\n') == 1)
            << c.args.join(' ').toStdString() << ": " << r.code << " " << r.err.toStdString();
        EXPECT_EQ(bytes(db), before) << c.args.join(' ').toStdString() << " " << c.file.toStdString();
    }
}

TEST_F(Cli, EachCommandChangesWhatItSays)
{
    const QByteArray entries = "SELECT rowid, URL, EMail, length(Subject), Active, \"Search type\", \"String search\", "
                               "\"String offset\", \"String length\", \"Table number\", \"Row number\", "
                               "\"Column number\", \"Repeat count\", Content, Added = datetime(Added) FROM URLs";
    // clang-format off
    const struct { QStringList args; QByteArray sql; QStringList expected; QByteArray before = {}; } steps[] = {
        {{"add", "http://a/", "a@x", "Subject A"}, entries, {"1|http://a/|a@x|9|-1|W|~|0|1|1|1|1|1|~|1"}},
        {{"add", "--type", "T", "--search", "x y", "--offset", "-3", "--length", "2", "--table", "2", "--row", "3",
          "--column", "4", "--repeat", "5", "--inactive", "http://b/", "b@x; c@x", QString(300, 's')},
         entries + " WHERE rowid = 2", {"2|http://b/|b@x; c@x|300|0|T|x y|-3|2|2|3|4|5|~|1"}},
        // Each saves as the window does, stamping "Added" anew.
        {{"disable", "1"}, "SELECT rowid, Active, Added > '2025-01-01 00:00:00' FROM URLs", {"1|0|1", "2|0|0"},
         "UPDATE URLs SET Added = '2024-01-02 03:04:05'"},
        {{"enable", "2"}, "SELECT rowid, Active, Added > '2025-01-01 00:00:00' FROM URLs", {"1|0|1", "2|-1|1"}},
        {{"remove", "1"}, "SELECT rowid FROM URLs", {"2"}},
        {{"set", "wake-up", "7"}, "SELECT * FROM System", {"7|localhost|25"}},
        {{"set", "port", "587"}, "SELECT * FROM System", {"7|localhost|587"}},
        {{"set", "mail-server", "mail.example.org"}, "SELECT * FROM System", {"7|mail.example.org|587"}},
    };
    // clang-format on
    for (const auto& s : steps) {
        if (!s.before.isEmpty())
            rows(s.before);
        ASSERT_EQ(run(s.args).code, 0) << s.args.join(' ').toStdString();
        EXPECT_EQ(rows(s.sql), s.expected) << s.args.join(' ').toStdString();
    }
}

TEST_F(Cli, CsvRoundTripKeepsNullsQuotesCommasAndLineBreaks)
{
    bytes(csv, kCsv);
    ASSERT_EQ(run({"import", csv}).code, 0);
    EXPECT_EQ(rows("SELECT Subject, \"Search type\", \"String search\", \"String offset\", Content, Added FROM URLs"),
              QStringList({"say \"hi\", then go|W|~|0|~|2024-01-02 03:04:05", "two\r\nlines|S||3||2024-01-02 03:04:06",
                           "c|~|a,b|~|<p>\r\n\"x\"</p>|~"}));
    EXPECT_EQ(run({"export"}).out, kCsv);
}

TEST_F(Cli, WritesAreRefusedWhileAProgramHoldsTheLockWithoutAnsweringWhateverTheEnvironment)
{
    QProcessEnvironment elsewhere = QProcessEnvironment::systemEnvironment();
    elsewhere.insert("XDG_RUNTIME_DIR", dir.path()); // other folders, and ones that exist
    elsewhere.insert("TMPDIR", "/var/tmp");
    const QByteArray before = bytes(db);
    const orvane::SingleInstance running(dir.path()); // what Orvane takes as it starts
    ASSERT_TRUE(running.held());
    for (const auto& env : {QProcessEnvironment::systemEnvironment(), elsewhere})
        EXPECT_EQ(runOrvaneDb(dir.path(), {"add", "http://a/", "a@x", "s"}, env).code, 1);
    EXPECT_EQ(bytes(db), before);
}

TEST_F(Cli, ALockThatCannotBeTakenStopsTheProgramAndEveryWriteSayingWhy)
{
    ASSERT_TRUE(QFile::copy(ORVANE_PROGRAM, dir.filePath("orvane")));
    const QByteArray before = bytes(db), named = QFile::encodeName(lock);
    // clang-format off
    const struct { const char* what; std::function<bool()> plant; } cases[] = {
        {"a symlink", [&] { return QFile::link(db, lock); }},
        {"a folder", [&] { return QDir(dir.path()).mkdir("Sentrel.lock"); }},
        {"a FIFO", [&] { return ::mkfifo(named.constData(), 0600) == 0; }},
        // Readable by all: only its owner tells it is not ours. Only root can give a file away.
        {"another user's file", [&] { return bytes(lock, "x") == "x" && ::chmod(named.constData(), 0644) == 0
                                          && (::geteuid() != 0 || ::chown(named.constData(), 4242, 4242) == 0); }},
    };
    // clang-format on
    for (const auto& c : cases) {
        QFile::remove(lock); // the one init left
        ASSERT_TRUE(c.plant()) << c.what;
        if (QFileInfo(lock).isFile() && !QFileInfo(lock).isSymLink() && QFileInfo(lock).ownerId() == ::geteuid()) {
            QFile::remove(lock); // not root: that case cannot be made
            continue;
        }
        const Ran orvane = runProgram(), r = run({"add", "http://a/", "a@x", "s"});
        EXPECT_TRUE(orvane.code > 0 && orvane.err.contains(named)) << c.what << ": " << orvane.err.toStdString();
        EXPECT_TRUE(r.code == 1 && r.err.contains(named)) << c.what << ": " << r.err.toStdString();
        EXPECT_EQ(bytes(db), before) << c.what;
        ASSERT_TRUE(QFile::remove(lock) || QDir(dir.path()).rmdir("Sentrel.lock")) << c.what;
    }
    // A lock file as it should be lets the write go.
    const Ran added = run({"add", "http://a/", "a@x", "s"});
    EXPECT_EQ(added.code, 0) << added.err.toStdString();
}

TEST_F(Cli, StatusAndTheProgramWarnWhenOthersMayWriteTheFolder)
{
    ASSERT_TRUE(QFile::copy(ORVANE_PROGRAM, dir.filePath("orvane")));
    for (const mode_t mode : {0700, 0770, 0707, 0755}) {
        ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), mode), 0);
        const Ran r = run({"status"});
        EXPECT_EQ(r.code, 4) << r.err.toStdString();
        EXPECT_EQ(r.err.contains("other users"), (mode & 022) != 0) << std::oct << mode << r.err.toStdString();
        // A lock it cannot take ends the program at once, after the warning.
        QFile::remove(lock);
        ASSERT_TRUE(QFile::link(db, lock));
        EXPECT_EQ(runProgram().err.contains("other users"), (mode & 022) != 0) << std::oct << mode;
        QFile::remove(lock);
    }
}

// test-mail's exit code tells whether the server took the mail.
TEST_F(Cli, TestMailFailsWhenNoServerTakesIt)
{
    ASSERT_EQ(run({"set", "mail-server", "127.0.0.1"}).code, 0);
    ASSERT_EQ(run({"set", "port", "1"}).code, 0); // nothing listens there
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir.path()); // no ~/.netrc
    const Ran r = runOrvaneDb(dir.path(), {"test-mail", "bob@example.test"}, env);
    EXPECT_TRUE(r.code == 1 && r.err.contains("10007")) << r.out.toStdString() << r.err.toStdString();
}

} // namespace
