#pragma once

#include <curl/curl.h>

#include <string>
#include <vector>

namespace orvane::bench {

// The floor of a cycle: the same pages fetched one after another with one
// reused libcurl handle and nothing else done with them.
class BareFetchLoop {
public:
    BareFetchLoop();
    ~BareFetchLoop();
    BareFetchLoop(const BareFetchLoop&) = delete;
    BareFetchLoop& operator=(const BareFetchLoop&) = delete;

    // Fetches `url`; false when the transfer failed. The body is kept until
    // the next fetch.
    bool fetch(const std::string& url);
    const std::string& body() const { return body_; }

private:
    static size_t onBody(char* data, size_t size, size_t count, void* self);

    CURL* curl_;
    std::string body_;
};

} // namespace orvane::bench
