#pragma once

#include "platform/Result.h"

#include <QString>

namespace orvane {

// The Internet transfer component: fetches one page and gives it as text,
// or fails with an error number and its text.
class PageFetcher {
public:
    virtual ~PageFetcher() = default;
    virtual Result<QString> fetch(const QString& url) = 0;
    // Nothing more will be fetched for a while: what was kept open for the
    // next fetch (connections) may go.
    virtual void idle() { }
};

} // namespace orvane
