#pragma once

#include "base/Failure.h"

#include <curl/curl.h>

namespace orvane {

// A libcurl error as a failure: TransferBase plus curl's code, with curl's
// own text, which the error vocabulary below this layer cannot know.
Failure transferFailure(CURLcode code);

} // namespace orvane
