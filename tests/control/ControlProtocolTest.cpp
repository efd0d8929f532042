#include "control/ControlProtocol.h"

#include <gtest/gtest.h>

using namespace orvane;

// Each state as the one line status --json prints, with the fields that
// state reads, all filled; a line that is no JSON object is no request.
TEST(ControlProtocol, EachStateIsOneLineOfItsOwnFields)
{
    using Phase = WatchProgress::Phase;
    const QDateTime at(QDate(2026, 12, 7), QTime(9, 30, 5));
    // clang-format off
    WatcherControl::Snapshot s {{}, 7, at.addSecs(60)};
    s.progress = {Phase::Asleep, 2, 5, QStringLiteral("http://a.test/"), {503, QStringLiteral("busy")}, at, {},
                  {at, at.addSecs(4), 3, 2, 1, 1}, false};
    const QByteArray last = R"("lastCycle":{"changes":2,"ended":"2026-12-07T09:30:09","mailsFailed":1,"mailsSent":1,)"
                            R"("started":"2026-12-07T09:30:05","visited":3},)";
    const struct { Phase phase; std::optional<MainView::Maintenance> window; bool cycled; QByteArray line; } rows[] = {
        {Phase::Asleep, {}, false, R"({"nextWakeUp":"2026-12-07T09:31:05","state":"asleep","ticksToGo":7})"},
        {Phase::Cycle, {}, true, R"({"entries":5,"entry":2,)" + last + R"("state":"cycle","url":"http://a.test/"})"},
        {Phase::Halted, {}, false,
         R"({"error":503,"errorText":"busy","since":"2026-12-07T09:30:05","state":"halted","url":"http://a.test/"})"},
        {Phase::Maintenance, MainView::Maintenance::Properties, false,
         R"({"state":"maintenance","window":"Property Pages"})"},
        {Phase::Maintenance, {}, true, "{" + last + R"("state":"maintenance","window":"orvane-db"})"},
    };
    // clang-format on
    for (const auto& r : rows) {
        s.progress.phase = r.phase;
        s.progress.window = r.window;
        s.progress.anyCycle = r.cycled;
        EXPECT_EQ(ControlProtocol::line(ControlProtocol::stateObject(s)), r.line + "\n");
    }
    for (const char* line : {"garbage", "[\"status\"]", "", "{\"request\":"})
        EXPECT_FALSE(ControlProtocol::parse(line).has_value()) << line;
    EXPECT_EQ(ControlProtocol::parse(R"( {"request":"status"} )"), QJsonObject({{"request", "status"}}));
}
