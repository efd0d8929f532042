#include "net/TransferFailure.h"

#include "base/ErrorCode.h"

namespace orvane {

Failure transferFailure(CURLcode code)
{
    return {static_cast<int>(ErrorCode::TransferBase) + static_cast<int>(code),
            QString::fromUtf8(curl_easy_strerror(code))};
}

} // namespace orvane
