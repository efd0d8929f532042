#include "FaultRun.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace orvane::test {

FaultRun::FaultRun(CurlPageFetcher::Options options) : h(1, std::move(options)) {}

bool FaultRun::run(const QString& url)
{
    h.pages.set(QStringLiteral("/before"), kBeforePage);
    h.pages.set(QStringLiteral("/after"), "<p>after</p>");
    before = h.entry(h.pages.url(QStringLiteral("/before")), QStringLiteral("W"));
    tested = h.entry(url, QStringLiteral("W"), QStringLiteral("Content = '%1'").arg(QLatin1String(kStored)));
    after = h.entry(h.pages.url(QStringLiteral("/after")), QStringLiteral("W"));
    if (!h.load())
        return false;
    const auto started = std::chrono::steady_clock::now();
    h.tick();
    took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    return true;
}

QString FaultRun::subjectOf(size_t mail) const
{
    return header(h.mails().at(mail), QStringLiteral("Subject"));
}

QString FaultRun::bodyOf(size_t mail) const
{
    return QString::fromUtf8(h.mails().at(mail).body());
}

void expectPageFault(const FaultRun& r, const QString& url, const QString& numberAndText,
                     std::chrono::milliseconds within)
{
    const CycleHarness& h = r.h;
    EXPECT_LT(r.took.count(), within.count()) << "the cycle took " << r.took.count() << " ms";
    const auto mails = h.mails();
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(r.subjectOf(0), QStringLiteral("Whole page changed : Weekly"));
    EXPECT_EQ(r.subjectOf(1), QStringLiteral("Page fault : Weekly"));
    EXPECT_EQ(r.bodyOf(1), QStringLiteral("The following URL cannot be accessed : ") + url + QStringLiteral("\r\n\r\n")
                               + numberAndText + QStringLiteral("\r\n"));
    // "stored before" is 13 characters: the alert reads the row as it was
    EXPECT_EQ(header(mails[1], QStringLiteral("Content-Length")), QStringLiteral(" 15"));

    EXPECT_EQ(h.column(r.before, QStringLiteral("Content")), Value(FaultRun::kBeforePage));
    EXPECT_EQ(h.column(r.tested, QStringLiteral("Content")), Value(FaultRun::kStored));
    EXPECT_TRUE(h.column(r.after, QStringLiteral("Content")).isNull());
    EXPECT_EQ(h.pages.requests(QStringLiteral("/after")), 0);
    // The alert rewrote the scratch file with the last page fetched whole,
    // not with a piece of the broken one.
    EXPECT_EQ(h.scratchFile(), QByteArray(FaultRun::kBeforePage));

    EXPECT_FALSE(h.view.timerOn);
    EXPECT_EQ(h.pointer.shape, ScreenPointer::Shape::Busy);
    EXPECT_EQ(h.view.statusText, url);
    EXPECT_TRUE(h.module.WatchDatabase.isOpen());
    EXPECT_TRUE(h.messages.shown.empty());
    EXPECT_FALSE(h.programEnd.code.has_value());
}

} // namespace orvane::test
