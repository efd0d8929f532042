#include "BareMailSender.h"

#include <algorithm>
#include <cstring>

namespace orvane::bench {

BareMailSender::BareMailSender(int port, std::string recipient)
    : curl_(curl_easy_init()), url_("smtp://127.0.0.1:" + std::to_string(port) + "/bench.local")
{
    recipients_ = curl_slist_append(nullptr, recipient.c_str());
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(curl_, CURLOPT_MAIL_FROM, "<orvane@bench.local>");
    curl_easy_setopt(curl_, CURLOPT_MAIL_RCPT, recipients_);
    curl_easy_setopt(curl_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl_, CURLOPT_READFUNCTION, &BareMailSender::onRead);
    curl_easy_setopt(curl_, CURLOPT_READDATA, static_cast<void*>(this));
    curl_easy_setopt(curl_, CURLOPT_FORBID_REUSE, 1L);
}

BareMailSender::~BareMailSender()
{
    curl_easy_cleanup(curl_);
    curl_slist_free_all(recipients_);
}

bool BareMailSender::send(const std::string& message)
{
    message_ = &message;
    offset_ = 0;
    curl_easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
    return curl_easy_perform(curl_) == CURLE_OK;
}

size_t BareMailSender::onRead(char* buffer, size_t size, size_t count, void* self)
{
    auto* sender = static_cast<BareMailSender*>(self);
    const size_t n = std::min(size * count, sender->message_->size() - sender->offset_);
    std::memcpy(buffer, sender->message_->data() + sender->offset_, n);
    sender->offset_ += n;
    return n;
}

} // namespace orvane::bench
