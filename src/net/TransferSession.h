#pragma once

#include "net/StatusLine.h"
#include "net/StatusWindow.h"
#include "net/TransferLimits.h"

#include <chrono>
#include <cstdint>
#include <curl/curl.h>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kelvarin {

// One libcurl easy handle, kept for the life of the session so that later
// fetches reuse its connections, and the translation of what libcurl does into
// the numbered status notifications the status window shows.
//
// Order of the notifications of one fetch (texts in brackets show nothing):
//   60 request set up, 10 resolving the address's host,
//   per new connection: 11 resolved (numeric address), 20 connecting,
//   per request: 21 connected (new connection only; 11 with the reused
//   connection's address instead when none was opened), 30 sending,
//   on the first reply line: 31 sent, [40 receiving],
//   at the end of the reply headers: 110 for a redirect that will be followed
//   (the next request then repeats from 10 or 30), else 41 received,
//   whenever libcurl closes a socket: 50 closing, 51 closed,
//   after the transfer: 100 complete, [70 handle closing].
class ConnectionShare;

class TransferSession {
public:
    // Receives each piece of the reply body; false stops the transfer.
    using ChunkHandler = std::function<bool(std::string_view chunk)>;

    // With a share, connections and name lookups come from it and go back to it.
    TransferSession(std::string agentName, StatusWindow* statusWindow, const TransferLimits& limits,
                    ConnectionShare* share = nullptr);
    ~TransferSession();
    TransferSession(const TransferSession&) = delete;
    TransferSession& operator=(const TransferSession&) = delete;

    // False when libcurl could not create its handle; nothing else works then.
    bool IsOpen() const { return m_curl != nullptr; }
    void SetStatusWindow(StatusWindow* statusWindow) { m_statusWindow = statusWindow; }

    CURLcode Perform(const std::string& address, const ChunkHandler& onChunk);
    // The status line of the reply the last Perform delivered (not of a redirect).
    const StatusLine& FinalStatus() const { return m_finalStatus; }
    // When the headers of that reply had arrived: the transfer rate counts from here.
    std::chrono::steady_clock::time_point ResponseReceivedAt() const { return m_responseAt; }
    // libcurl's detailed message for the last Perform's failure.
    std::string ErrorText(CURLcode result) const;

    // Shows the text for one status notification; the context is not used.
    void OnStatusCallback(std::uintptr_t context, std::uint32_t statusCode, const void* information,
                          std::uint32_t informationLength);
    // Formats into 512 bytes, as the status line never needs more.
    void SetStatusText(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Closes a socket of libcurl's, showing the closing and closed texts.
    int CloseSocketShowingIt(curl_socket_t socket);

    // Releases the handle and its connections without showing anything, so a
    // status window that is going away is never touched by the shutdown.
    void Close();

private:
    struct CurlDeleter {
        void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
    };
    // What the current request has reported so far; a followed redirect starts afresh.
    struct RequestProgress {
        bool nameReported = false;
        bool addressReported = false;
        bool socketOpened = false;
        bool replyStarted = false;
        bool inHeaders = false;
        bool hasLocation = false;
        StatusLine status;
    };

    static curl_socket_t OpenSocket(void* clientp, curlsocktype purpose, curl_sockaddr* address);
    static int CloseSocket(void* clientp, curl_socket_t socket);
    static int BeforeRequest(void* clientp, char* primaryIp, char* localIp, int primaryPort,
                             int localPort);
    static size_t OnHeader(char* data, size_t size, size_t count, void* clientp);
    static size_t OnBody(char* data, size_t size, size_t count, void* clientp);

    void Report(std::uint32_t statusCode, const void* information = nullptr,
                std::uint32_t informationLength = 0);
    void ReportText(std::uint32_t statusCode, const std::string& text);
    void ReportResolving(const std::string& address);
    void OnHeaderLine(std::string_view line);
    void OnHeadersEnd();

    std::string m_agentName;
    StatusWindow* m_statusWindow;
    std::unique_ptr<CURL, CurlDeleter> m_curl;
    ConnectionShare* m_share;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    const ChunkHandler* m_onChunk = nullptr;
    RequestProgress m_request;
    StatusLine m_finalStatus;
    std::chrono::steady_clock::time_point m_responseAt;
};

} // namespace kelvarin
