// A thousand wake-up cycles of the real engine, fetcher, mail client and
// database against pages that keep changing, with a page fault and the
// resume from it now and then. The memory, the open files and the threads
// of the process are read before and after: they must stay flat.
//
// Not part of the default test run. Run it with
//   build/tests/faults/faults_soak
// or through ctest after configuring with -DORVANE_SOAK=ON:  ctest -L soak
// ORVANE_SOAK_CYCLES changes the number of cycles.

#include "CycleHarness.h"
#include "QtPrinters.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <iostream>

using namespace orvane;
using namespace orvane::test;

namespace {

struct Usage {
    qint64 rssKb = 0;
    qsizetype files = 0;
    qsizetype threads = 0;
};

Usage usage()
{
    Usage u;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                u.rssKb = line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    const auto entries = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;
    u.files = QDir(QStringLiteral("/proc/self/fd")).entryList(entries).size();
    u.threads = QDir(QStringLiteral("/proc/self/task")).entryList(entries).size();
    return u;
}

void report(const char* when, const Usage& u)
{
    std::cout << "[soak] " << when << ": RSS " << u.rssKb << " kB, open files " << u.files << ", threads " << u.threads
              << std::endl;
}

int cycleCount()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("ORVANE_SOAK_CYCLES", &ok);
    return ok && n > 0 ? n : 1000;
}

const QByteArray kTable = "<html><table><tr><td>x</td></tr><tr><td>a</td><td>b</td><td>%1</td></tr></table></html>";

} // namespace

TEST(Soak, ThousandCyclesStayFlat)
{
    const int cycles = cycleCount();
    constexpr int kWarmUp = 20;
    constexpr int kFaultEvery = 50;

    CycleHarness h;
    const qint64 whole = h.entry(h.pages.url(QStringLiteral("/w")), QStringLiteral("W"));
    h.entry(h.pages.url(QStringLiteral("/s")), QStringLiteral("S"),
            QStringLiteral("\"String search\" = 'Price:', \"String offset\" = 1, \"String length\" = 4"));
    h.entry(h.pages.url(QStringLiteral("/t")), QStringLiteral("T"),
            QStringLiteral("\"Table number\" = 1, \"Row number\" = 2, \"Column number\" = 3, \"Repeat count\" = 1, "
                           "\"String offset\" = 3, \"String length\" = 5, \"String search\" = 'Alpha'"));
    h.entry(h.pages.url(QStringLiteral("/same")), QStringLiteral("W"));
    // last, so that its faults cut no other entry short
    h.entry(h.pages.url(QStringLiteral("/flaky")), QStringLiteral("W"));
    h.pages.set(QStringLiteral("/same"), "<p>never changes</p>");
    ASSERT_TRUE(h.load());

    int faults = 0;
    QByteArray lastWhole;
    auto cycle = [&](int i) {
        lastWhole = "<p>cycle " + QByteArray::number(i) + "</p>";
        h.pages.set(QStringLiteral("/w"), lastWhole);
        h.pages.set(QStringLiteral("/s"), "<p>Price: " + QByteArray::number(100 + i / 3) + "</p>");
        h.pages.set(QStringLiteral("/t"), QString::fromLatin1(kTable).arg(i % 2 ? "Alpha" : "Gamma").toLatin1());
        const bool fault = i % kFaultEvery == kFaultEvery - 1;
        h.pages.set(QStringLiteral("/flaky"), "<p>flaky</p>", "text/html", fault ? 500 : 200);
        h.tick();
        if (!h.view.timerOn) {
            // halted by the page fault: the Properties window opens and closes
            ++faults;
            h.engine.command3Click();
        }
    };

    for (int i = 0; i < kWarmUp; ++i)
        cycle(i);
    const Usage start = usage();
    report("start", start);
    Usage middle;
    for (int i = 0; i < cycles; ++i) {
        cycle(kWarmUp + i);
        if (i == cycles / 2)
            middle = usage();
    }
    const Usage end = usage();
    report("middle", middle);
    report("end", end);
    RecordProperty("rss_start_kb", static_cast<int>(start.rssKb));
    RecordProperty("rss_end_kb", static_cast<int>(end.rssKb));

    EXPECT_EQ(end.files, start.files);
    EXPECT_EQ(end.threads, start.threads);
    // room for the allocator's own moods, far below a leak of a page a cycle
    EXPECT_LT(end.rssKb - start.rssKb, 8 * 1024);

    // the cycles did their work all along
    EXPECT_EQ(faults, (kWarmUp + cycles) / kFaultEvery);
    EXPECT_EQ(h.column(whole, QStringLiteral("Content")), Value(QString::fromLatin1(lastWhole)));
    EXPECT_GE(static_cast<int>(h.mails().size()), kWarmUp + cycles);
    EXPECT_TRUE(h.messages.shown.empty());
}
