#include "BareFetchLoop.h"

namespace orvane::bench {

BareFetchLoop::BareFetchLoop() : curl_(curl_easy_init())
{
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &BareFetchLoop::onBody);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, static_cast<void*>(this));
}

BareFetchLoop::~BareFetchLoop()
{
    curl_easy_cleanup(curl_);
}

bool BareFetchLoop::fetch(const std::string& url)
{
    body_.clear();
    curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
    long status = 0;
    const CURLcode rc = curl_easy_perform(curl_);
    curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &status);
    return rc == CURLE_OK && status == 200;
}

size_t BareFetchLoop::onBody(char* data, size_t size, size_t count, void* self)
{
    static_cast<BareFetchLoop*>(self)->body_.append(data, size * count);
    return size * count;
}

} // namespace orvane::bench
