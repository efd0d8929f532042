#pragma once

#include <curl/curl.h>

#include <utility>

namespace orvane {

// Owns a list of strings handed to the transfer library (recipients, extra
// request headers). It must outlive the transfer that uses it.
class CurlStringList {
public:
    CurlStringList() = default;
    ~CurlStringList() { curl_slist_free_all(list_); }

    CurlStringList(const CurlStringList&) = delete;
    CurlStringList& operator=(const CurlStringList&) = delete;
    CurlStringList(CurlStringList&& other) noexcept : list_(std::exchange(other.list_, nullptr)) { }
    CurlStringList& operator=(CurlStringList&& other) noexcept
    {
        std::swap(list_, other.list_);
        return *this;
    }

    // False when the library could not copy the string; the list is unchanged.
    bool append(const char* text)
    {
        curl_slist* grown = curl_slist_append(list_, text);
        if (!grown)
            return false;
        list_ = grown;
        return true;
    }

    curl_slist* get() const noexcept { return list_; }

private:
    curl_slist* list_ = nullptr;
};

} // namespace orvane
