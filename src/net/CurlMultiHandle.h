#pragma once

#include <curl/curl.h>

#include <utility>

namespace orvane {

// Owns one curl multi handle; null when curl could not create it.
class CurlMultiHandle {
public:
    CurlMultiHandle() : handle_(curl_multi_init()) { }
    ~CurlMultiHandle()
    {
        if (handle_)
            curl_multi_cleanup(handle_);
    }

    CurlMultiHandle(const CurlMultiHandle&) = delete;
    CurlMultiHandle& operator=(const CurlMultiHandle&) = delete;
    CurlMultiHandle(CurlMultiHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) { }
    CurlMultiHandle& operator=(CurlMultiHandle&& other) noexcept
    {
        std::swap(handle_, other.handle_);
        return *this;
    }

    CURLM* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    CURLM* handle_;
};

} // namespace orvane
