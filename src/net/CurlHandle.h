#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <utility>

namespace orvane {

// Owns one easy handle of the transfer library for the life of the object.
// A handle that could not be made is null; callers test it before use.
class CurlHandle {
public:
    CurlHandle() : handle_(curl_easy_init()) { }
    // No handle yet.
    explicit CurlHandle(std::nullptr_t) : handle_(nullptr) { }
    ~CurlHandle()
    {
        if (handle_)
            curl_easy_cleanup(handle_);
    }

    CurlHandle(const CurlHandle&) = delete;
    CurlHandle& operator=(const CurlHandle&) = delete;
    CurlHandle(CurlHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) { }
    CurlHandle& operator=(CurlHandle&& other) noexcept
    {
        std::swap(handle_, other.handle_);
        return *this;
    }

    CURL* get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

private:
    CURL* handle_;
};

} // namespace orvane
