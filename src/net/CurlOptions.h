#pragma once

#include <curl/curl.h>

namespace orvane {

// Sets options of one easy handle one after another and keeps the first
// failure; the rest are then not set. An option the library did not take
// (TLS, netrc, a protocol limit) must stop the transfer, not weaken it.
class CurlOptions {
public:
    explicit CurlOptions(CURL* handle) : handle_(handle) { }

    template <typename T> CurlOptions& set(CURLoption option, T value)
    {
        if (code_ == CURLE_OK)
            code_ = curl_easy_setopt(handle_, option, value);
        return *this;
    }
    CURLcode code() const { return code_; }

private:
    CURL* handle_;
    CURLcode code_ = CURLE_OK;
};

} // namespace orvane
