#pragma once

#include <curl/curl.h>

#include <string>

namespace orvane::bench {

// The floor of an alert: one mail handed to the SMTP server with a bare
// libcurl send, one session per mail as the watcher's alerts have.
class BareMailSender {
public:
    BareMailSender(int port, std::string recipient);
    ~BareMailSender();
    BareMailSender(const BareMailSender&) = delete;
    BareMailSender& operator=(const BareMailSender&) = delete;

    // Sends the message (headers, blank line, body, CR LF line ends); false
    // when the server did not take it.
    bool send(const std::string& message);

private:
    static size_t onRead(char* buffer, size_t size, size_t count, void* self);

    CURL* curl_;
    curl_slist* recipients_ = nullptr;
    std::string url_;
    const std::string* message_ = nullptr;
    size_t offset_ = 0;
};

} // namespace orvane::bench
