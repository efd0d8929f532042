#include "base/ErrorCatalogue.h"

#include <gtest/gtest.h>

using namespace orvane;

// Which numbers are a web server's status and which a transfer's, one past
// each bound; a status carries its own text, a transfer's comes with it.
TEST(ErrorCatalogue, TellsStatusesAndTransfersApartAtTheirBounds)
{
    const struct {
        int number;
        bool http, transfer;
        const char* text; // of a failure with no description of its own
    } rows[] = {
        {399, false, false, "Application-defined or object-defined error."},
        {400, true, false, "The web server answered HTTP status 400 (Bad Request)."},
        {499, true, false, "The web server answered HTTP status 499."},
        {599, true, false, "The web server answered HTTP status 599."},
        {600, false, false, "Application-defined or object-defined error."},
        {10000, false, false, "Application-defined or object-defined error."},
        {10001, false, true, "Application-defined or object-defined error."},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(ErrorCatalogue::isHttpStatus(r.number), r.http) << r.number;
        EXPECT_EQ(ErrorCatalogue::isTransfer(r.number), r.transfer) << r.number;
        EXPECT_EQ(ErrorCatalogue::standardText(Failure {r.number, {}}), QLatin1String(r.text)) << r.number;
        // What the network layer saw replaces the standard text only for its own numbers.
        EXPECT_EQ(ErrorCatalogue::standardText(Failure {r.number, QStringLiteral("seen")}) == QLatin1String("seen"),
                  r.http || r.transfer)
            << r.number;
    }
}
