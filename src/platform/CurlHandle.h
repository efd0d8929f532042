#pragma once

#include <curl/curl.h>

#include <utility>

namespace orvane {

// Owns one curl easy handle. The handle may be null when curl could not
// create it; callers check before use.
class CurlHandle {
public:
    CurlHandle() : handle_(curl_easy_init()) {}
    ~CurlHandle()
    {
        if (handle_)
            curl_easy_cleanup(handle_);
    }

    CurlHandle(const CurlHandle&) = delete;
    CurlHandle& operator=(const CurlHandle&) = delete;
    CurlHandle(CurlHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    CurlHandle& operator=(CurlHandle&& other) noexcept
    {
        std::swap(handle_, other.handle_);
        return *this;
    }

    CURL* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    CURL* handle_;
};

} // namespace orvane
