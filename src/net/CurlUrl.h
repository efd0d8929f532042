#pragma once

#include <QByteArray>

#include <curl/curl.h>

#include <optional>

namespace orvane {

// Owns one URL handle of the transfer library, which parses an address
// into its parts and puts one together from them.
class CurlUrl {
public:
    CurlUrl() : handle_(curl_url()) { }
    ~CurlUrl() { curl_url_cleanup(handle_); } // a null handle is no error

    CurlUrl(const CurlUrl&) = delete;
    CurlUrl& operator=(const CurlUrl&) = delete;
    CurlUrl(CurlUrl&&) = delete;
    CurlUrl& operator=(CurlUrl&&) = delete;

    // False when the part was refused, or the handle could not be made.
    [[nodiscard]] bool set(CURLUPart part, const char* value, unsigned int flags = 0)
    {
        return handle_ && curl_url_set(handle_, part, value, flags) == CURLUE_OK;
    }
    // The part as text; none when it is missing or the handle could not be made.
    std::optional<QByteArray> get(CURLUPart part, unsigned int flags = 0) const
    {
        char* text = nullptr;
        if (!handle_ || curl_url_get(handle_, part, &text, flags) != CURLUE_OK)
            return std::nullopt;
        QByteArray copy(text);
        curl_free(text);
        return copy;
    }

private:
    CURLU* handle_;
};

} // namespace orvane
