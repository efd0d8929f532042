#pragma once

#include "CycleHarness.h"

#include <chrono>

namespace orvane::test {

// One wake-up cycle over three watch entries: a good page first, then the
// entry under test (holding a page stored at an earlier visit), then
// another good page. The cycle shows what the entry under test did to the
// entries around it.
class FaultRun {
public:
    static constexpr const char* kBeforePage = "<p>before</p>";
    static constexpr const char* kStored = "stored before";

    explicit FaultRun(CurlPageFetcher::Options options = CycleHarness::shortFetch());

    // Adds the entries, starts up and runs one cycle; false when start-up failed.
    bool run(const QString& url);

    QString subjectOf(size_t mail) const;
    QString bodyOf(size_t mail) const;

    CycleHarness h;
    qint64 before = 0;
    qint64 tested = 0;
    qint64 after = 0;
    std::chrono::milliseconds took{0};
};

// The entry under test made a page fault with the given error number and
// text: one alert for it after the first entry's, nothing stored for it,
// nothing after it visited, watching halted on its address, within the time.
void expectPageFault(const FaultRun& r, const QString& url, const QString& numberAndText,
                     std::chrono::milliseconds within);

} // namespace orvane::test
