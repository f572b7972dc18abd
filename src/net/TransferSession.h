#pragma once

#include "net/HttpStatusLine.h"
#include "net/StatusWindow.h"
#include "net/TransferPump.h"
#include "net/TransferSettings.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <curl/curl.h>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kelvarin {

// One libcurl easy handle, kept for the life of the session so that later
// fetches reuse its connections, and the translation of what libcurl does into
// the numbered status notifications the status window shows. The handle runs
// on a multi handle of the session's own, polled in short steps: within
// curl_easy_perform libcurl calls back only about once a second while a
// server is silent, too seldom to keep a window painted.
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

    // With a share, connections and name lookups come from it and go back to it;
    // with a pump, the waiting program gets its turns while a fetch runs.
    TransferSession(std::string agentName, StatusWindow* statusWindow,
                    const TransferSettings& settings, ConnectionShare* share = nullptr,
                    TransferPump* pump = nullptr);
    ~TransferSession();
    TransferSession(const TransferSession&) = delete;
    TransferSession& operator=(const TransferSession&) = delete;

    // False when libcurl could not create its handle; nothing else works then.
    bool IsOpen() const { return m_curl != nullptr && m_multi != nullptr; }
    void SetStatusWindow(StatusWindow* statusWindow) { m_statusWindow = statusWindow; }

    CURLcode Perform(const std::string& address, const ChunkHandler& onChunk);
    // Perform in two pieces, for a transfer that a caller runs among others
    // on a multi handle of its own: Begin sets the request up and shows its
    // first texts, the caller runs Handle() to its end, and End shows the
    // last ones. The caller decides which session the share tells of closed
    // connections.
    void Begin(const std::string& address, const ChunkHandler& onChunk);
    void End(CURLcode result);
    CURL* Handle() const { return m_curl.get(); }
    // The status line of the reply the last Perform delivered (not of a redirect).
    const HttpStatusLine& FinalStatus() const { return m_finalStatus; }
    // When the headers of that reply had arrived: the transfer rate counts from here.
    std::chrono::steady_clock::time_point ResponseReceivedAt() const { return m_responseAt; }
    // libcurl's detailed message for the last Perform's failure.
    std::string ErrorText(CURLcode result) const;
    // Whether the last Perform was ended by a stop request while it received nothing.
    bool StoppedWhileIdle() const { return m_stoppedWhileIdle; }

    // Shows the text for one status notification; the context is not used.
    void OnStatusCallback(std::uintptr_t context, std::uint32_t statusCode, const void* information,
                          std::uint32_t informationLength);
    // Formats into 512 bytes, as the status line never needs more.
    void SetStatusText(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Shows the running total of a body after each piece of it, with the rate
    // once a whole second has passed since the reply arrived.
    void ShowReadProgress(std::size_t total, std::chrono::seconds elapsed);
    // Closes a socket of libcurl's, showing the closing and closed texts.
    int CloseSocketShowingIt(curl_socket_t socket);

    // Releases the handle and its connections without showing anything, so a
    // status window that is going away is never touched by the shutdown.
    void Close();

private:
    struct CurlDeleter {
        void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
    };
    struct MultiDeleter {
        void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
    };
    // What the current request has reported so far; a followed redirect starts afresh.
    struct RequestProgress {
        bool nameReported = false;
        bool addressReported = false;
        bool socketOpened = false;
        bool replyStarted = false;
        bool inHeaders = false;
        bool hasLocation = false;
        HttpStatusLine status;
    };

    static curl_socket_t OpenSocket(void* clientp, curlsocktype purpose, curl_sockaddr* address);
    static int CloseSocket(void* clientp, curl_socket_t socket);
    static int BeforeRequest(void* clientp, char* primaryIp, char* localIp, int primaryPort,
                             int localPort);
    static size_t OnHeader(char* data, size_t size, size_t count, void* clientp);
    static size_t OnBody(char* data, size_t size, size_t count, void* clientp);
    static int OnProgress(void* clientp, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    CURLcode Drive();
    // False when the transfer is to end: stopped while nothing arrives.
    bool ServePump();

    void Report(std::uint32_t statusCode, const void* information = nullptr,
                std::uint32_t informationLength = 0);
    void ReportText(std::uint32_t statusCode, const std::string& text);
    void ReportResolving(const std::string& address);
    void OnHeaderLine(std::string_view line);
    void OnHeadersEnd();

    std::string m_agentName;
    StatusWindow* m_statusWindow;
    std::unique_ptr<CURL, CurlDeleter> m_curl;
    std::unique_ptr<CURLM, MultiDeleter> m_multi;
    ConnectionShare* m_share;
    TransferPump* m_pump;
    std::chrono::milliseconds m_stopAfterIdle;
    std::chrono::steady_clock::time_point m_lastReceived;
    std::chrono::steady_clock::time_point m_lastPump;
    bool m_stoppedWhileIdle = false;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    const ChunkHandler* m_onChunk = nullptr;
    RequestProgress m_request;
    HttpStatusLine m_finalStatus;
    std::chrono::steady_clock::time_point m_responseAt;
};

} // namespace kelvarin
