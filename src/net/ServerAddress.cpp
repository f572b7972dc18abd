#include "net/ServerAddress.h"

#include <curl/curl.h>
#include <memory>
#include <strings.h>

namespace kelvarin {

namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

// The length of "http://" or "https://" at the start, in any case; else 0.
std::size_t SchemeLength(std::string_view address) {
    for (const std::string_view scheme : {"http://", "https://"}) {
        if (address.size() >= scheme.size() &&
            strncasecmp(address.data(), scheme.data(), scheme.size()) == 0)
            return scheme.size();
    }
    return 0;
}

} // namespace

std::optional<std::string> CheckServerAddress(std::string_view address, std::string& error) {
    const std::string quoted = "The server address \"" + std::string(address) + "\"";
    const std::size_t schemeLength = SchemeLength(address);
    if (schemeLength == 0) {
        error = quoted + " is not an http:// or https:// address.";
        return std::nullopt;
    }
    // Every path the stages add starts with "/"; one at the end would double it.
    std::string server(address);
    while (server.size() > schemeLength && server.ends_with('/'))
        server.pop_back();
    const std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
    if (url == nullptr) {
        error = quoted + " could not be read: out of memory.";
        return std::nullopt;
    }
    if (const CURLUcode parsed = curl_url_set(url.get(), CURLUPART_URL, server.c_str(), 0);
        parsed != CURLUE_OK) {
        error = quoted + " is not a valid address: " + curl_url_strerror(parsed) + ".";
        return std::nullopt;
    }
    if (server.find_first_of("?#") != std::string::npos) {
        error = quoted + " has a query or fragment, which the archives' paths cannot follow.";
        return std::nullopt;
    }
    return server;
}

} // namespace kelvarin
