#include "net/TransferSession.h"

#include "net/ConnectionShare.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kelvarin {
namespace {

// The notification codes of the desktop platform's internet client, whose
// numbers the status texts are keyed by.
enum StatusCode : std::uint32_t {
    ResolvingName = 10,
    NameResolved = 11,
    ConnectingToServer = 20,
    ConnectedToServer = 21,
    SendingRequest = 30,
    RequestSent = 31,
    ReceivingResponse = 40,
    ResponseReceived = 41,
    ClosingConnection = 50,
    ConnectionClosed = 51,
    HandleCreated = 60,
    HandleClosing = 70,
    RequestComplete = 100,
    Redirect = 110,
};

constexpr std::uintptr_t SessionContext = 1;
constexpr long MaxRedirects = 5;
// libcurl hands over at most this much per read, and each read gets its own
// running-total text.
constexpr long ReadChunkBytes = 4095;
// Without a pump nobody waits on the loop; libcurl's own timers wake it as needed.
constexpr int IdleWaitMs = 1000;
// Anything else (file://, ftp://, ...) in an address or a redirect is refused.
constexpr char AllowedProtocols[] = "http,https";

CURL* NewEasyHandle() {
    return EnsureCurlInitialised() ? curl_easy_init() : nullptr;
}

std::string HostOf(const char* address) {
    std::string host;
    CURLU* url = curl_url();
    char* part = nullptr;
    if (url != nullptr &&
        curl_url_set(url, CURLUPART_URL, address, CURLU_DEFAULT_SCHEME) == CURLUE_OK &&
        curl_url_get(url, CURLUPART_HOST, &part, 0) == CURLUE_OK) {
        host = part;
        curl_free(part);
    }
    curl_url_cleanup(url);
    return host;
}

std::string NumericAddress(const curl_sockaddr& address) {
    // libcurl hands over a full-sized address behind the short struct sockaddr.
    sockaddr_storage storage{};
    std::memcpy(&storage, &address.addr, std::min<std::size_t>(address.addrlen, sizeof storage));
    char text[INET6_ADDRSTRLEN] = "";
    if (storage.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(storage).sin_addr, text,
                  sizeof text);
    } else if (storage.ss_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(storage).sin6_addr, text,
                  sizeof text);
    }
    return text;
}

bool IsLocationHeader(std::string_view line) {
    constexpr std::string_view name = "location:";
    return line.size() >= name.size() && strncasecmp(line.data(), name.data(), name.size()) == 0;
}

} // namespace

TransferSession::TransferSession(std::string agentName, StatusWindow* statusWindow,
                                 const TransferSettings& settings, ConnectionShare* share,
                                 TransferPump* pump)
    : m_agentName(std::move(agentName)), m_statusWindow(statusWindow), m_curl(NewEasyHandle()),
      m_multi(m_curl != nullptr ? curl_multi_init() : nullptr),
      m_share(share != nullptr && share->Handle() != nullptr ? share : nullptr), m_pump(pump),
      m_stopAfterIdle(settings.limits.stopAfterIdle) {
    CURL* curl = m_curl.get();
    if (!IsOpen()) {
        return;
    }
    curl_easy_setopt(curl, CURLOPT_USERAGENT, m_agentName.c_str());
    // libcurl's alarm-signal time-outs are unsafe in a program with several threads.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, AllowedProtocols);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, AllowedProtocols);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, MaxRedirects);
    ApplyCertificateTrust(curl, settings.trust);
    const TransferLimits& limits = settings.limits;
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(std::chrono::milliseconds(limits.connectTimeout).count()));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytesPerSecond);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.lowSpeedTime.count()));
    // A proxy tunnel's own reply would otherwise look like the server's.
    curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, ReadChunkBytes);
    if (m_pump != nullptr) {
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &TransferSession::OnProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    }

    curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, &TransferSession::OpenSocket);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, this);
    if (m_share != nullptr) {
        curl_easy_setopt(curl, CURLOPT_SHARE, m_share->Handle());
        curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, &ConnectionShare::CloseSocket);
        curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, m_share);
    } else {
        curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, &TransferSession::CloseSocket);
        curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, this);
    }
    curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, &TransferSession::BeforeRequest);
    curl_easy_setopt(curl, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &TransferSession::OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &TransferSession::OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
}

TransferSession::~TransferSession() {
    Close();
}

void TransferSession::Close() {
    m_statusWindow = nullptr;
    m_multi.reset();
    m_curl.reset();
}

CURLcode TransferSession::Perform(const std::string& address, const ChunkHandler& onChunk) {
    Begin(address, onChunk);
    if (m_share != nullptr)
        m_share->SetWatchingSession(this);
    const CURLcode result = Drive();
    if (m_share != nullptr)
        m_share->SetWatchingSession(nullptr);
    End(result);
    return result;
}

void TransferSession::Begin(const std::string& address, const ChunkHandler& onChunk) {
    m_onChunk = &onChunk;
    m_request = {};
    m_finalStatus = {};
    m_errorBuffer[0] = '\0';
    m_stoppedWhileIdle = false;
    m_lastReceived = std::chrono::steady_clock::now();
    m_lastPump = m_lastReceived - PumpInterval;
    curl_easy_setopt(m_curl.get(), CURLOPT_URL, address.c_str());
    Report(HandleCreated);
    // Shown before libcurl starts so that it stays up while a slow name lookup runs.
    ReportResolving(address);
}

void TransferSession::End(CURLcode result) {
    m_onChunk = nullptr;
    const std::uint32_t outcome[2] = {result == CURLE_OK ? 1u : 0u,
                                      static_cast<std::uint32_t>(result)};
    Report(RequestComplete, outcome, sizeof outcome);
    Report(HandleClosing);
}

CURLcode TransferSession::Drive() {
    CURL* curl = m_curl.get();
    CURLM* multi = m_multi.get();
    CURLMcode state = curl_multi_add_handle(multi, curl);
    const int waitMs = m_pump != nullptr ? static_cast<int>(PumpInterval.count()) : IdleWaitMs;
    int running = 1;
    if (state == CURLM_OK)
        state = curl_multi_perform(multi, &running);
    while (state == CURLM_OK && running > 0) {
        state = curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
        if (state == CURLM_OK)
            state = curl_multi_perform(multi, &running);
    }
    // Kept only when the multi handle failed; a finished transfer brings its own result.
    CURLcode result = state == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_FAILED_INIT;
    int queued = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == curl)
            result = message->data.result;
    }
    curl_multi_remove_handle(multi, curl);
    return result;
}

int TransferSession::OnProgress(void* clientp, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<TransferSession*>(clientp)->ServePump() ? 0 : 1;
}

bool TransferSession::ServePump() {
    if (const auto now = std::chrono::steady_clock::now(); now - m_lastPump >= PumpInterval) {
        m_lastPump = now;
        m_pump->Pump();
    }
    if (m_pump->StopAsked() &&
        std::chrono::steady_clock::now() - m_lastReceived >= m_stopAfterIdle) {
        m_stoppedWhileIdle = true;
        return false;
    }
    return true;
}

std::string TransferSession::ErrorText(CURLcode result) const {
    return m_errorBuffer[0] != '\0' ? m_errorBuffer : curl_easy_strerror(result);
}

void TransferSession::OnStatusCallback(std::uintptr_t /*context*/, std::uint32_t statusCode,
                                       const void* information, std::uint32_t informationLength) {
    const char* text = information != nullptr ? static_cast<const char*>(information) : "";
    switch (statusCode) {
    case ResolvingName:
        SetStatusText("Resolving name for %s", text);
        break;
    case NameResolved:
        SetStatusText("Resolved name for %s", text);
        break;
    case ConnectingToServer:
        SetStatusText("Connecting to socket address ");
        break;
    case ConnectedToServer:
        SetStatusText("Connected to socket address");
        break;
    case SendingRequest:
        SetStatusText("Sending request...");
        break;
    case RequestSent:
        SetStatusText("Request sent");
        break;
    case ReceivingResponse:
    case HandleClosing:
        break;
    case ResponseReceived:
        SetStatusText("Response received");
        break;
    case ClosingConnection:
        SetStatusText("Closing the connection to the server");
        break;
    case ConnectionClosed:
        SetStatusText("Connection to the server closed");
        break;
    case HandleCreated:
        SetStatusText("%s", "");
        break;
    case RequestComplete:
        if (informationLength == 8) {
            std::uint32_t words[2];
            std::memcpy(words, information, sizeof words);
            SetStatusText("Request complete, dwResult = %8.8X, dwError = %8.8X", words[0],
                          words[1]);
        } else {
            SetStatusText("Request complete");
        }
        break;
    default:
        SetStatusText("Unknown status: %d", static_cast<int>(statusCode));
        break;
    }
}

void TransferSession::SetStatusText(const char* format, ...) {
    if (m_statusWindow == nullptr) {
        return;
    }
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    m_statusWindow->SetText(text);
}

void TransferSession::ShowReadProgress(std::size_t total, std::chrono::seconds elapsed) {
    const int bytes = static_cast<int>(total);
    if (elapsed.count() > 0) {
        SetStatusText("Read %d bytes (%0.1f Kb/s)", bytes,
                      static_cast<double>(total) / 1024.0 / static_cast<double>(elapsed.count()));
    } else {
        SetStatusText("Read %d bytes", bytes);
    }
}

void TransferSession::Report(std::uint32_t statusCode, const void* information,
                             std::uint32_t informationLength) {
    OnStatusCallback(SessionContext, statusCode, information, informationLength);
}

void TransferSession::ReportText(std::uint32_t statusCode, const std::string& text) {
    Report(statusCode, text.c_str(), static_cast<std::uint32_t>(text.size() + 1));
}

void TransferSession::ReportResolving(const std::string& address) {
    if (const std::string host = HostOf(address.c_str()); !host.empty()) {
        ReportText(ResolvingName, host);
        m_request.nameReported = true;
    }
}

curl_socket_t TransferSession::OpenSocket(void* clientp, curlsocktype /*purpose*/,
                                          curl_sockaddr* address) {
    auto& self = *static_cast<TransferSession*>(clientp);
    if (!self.m_request.nameReported) {
        // A redirect's new host: libcurl has already switched its address to it.
        char* effective = nullptr;
        curl_easy_getinfo(self.m_curl.get(), CURLINFO_EFFECTIVE_URL, &effective);
        self.ReportResolving(effective != nullptr ? effective : "");
    }
    self.ReportText(NameResolved, NumericAddress(*address));
    self.Report(ConnectingToServer);
    self.m_request.addressReported = true;
    self.m_request.socketOpened = true;
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

int TransferSession::CloseSocket(void* clientp, curl_socket_t socket) {
    return static_cast<TransferSession*>(clientp)->CloseSocketShowingIt(socket);
}

int TransferSession::CloseSocketShowingIt(curl_socket_t socket) {
    Report(ClosingConnection);
    const int closed = ::close(socket);
    Report(ConnectionClosed);
    return closed == 0 ? 0 : 1;
}

int TransferSession::BeforeRequest(void* clientp, char* primaryIp, char* /*localIp*/,
                                   int /*primaryPort*/, int /*localPort*/) {
    auto& self = *static_cast<TransferSession*>(clientp);
    if (self.m_request.nameReported && !self.m_request.addressReported) {
        self.ReportText(NameResolved, primaryIp != nullptr ? primaryIp : "");
    }
    if (self.m_request.socketOpened) {
        self.Report(ConnectedToServer);
    }
    self.Report(SendingRequest);
    self.m_request = {};
    return CURL_PREREQFUNC_OK;
}

size_t TransferSession::OnHeader(char* data, size_t size, size_t count, void* clientp) {
    auto& self = *static_cast<TransferSession*>(clientp);
    self.m_lastReceived = std::chrono::steady_clock::now();
    self.OnHeaderLine(std::string_view(data, size * count));
    return size * count;
}

size_t TransferSession::OnBody(char* data, size_t size, size_t count, void* clientp) {
    auto& self = *static_cast<TransferSession*>(clientp);
    const size_t length = size * count;
    if (length == 0) {
        return 0;
    }
    self.m_lastReceived = std::chrono::steady_clock::now();
    // Returning less than was given makes libcurl abort with a write error.
    return self.m_onChunk != nullptr && (*self.m_onChunk)(std::string_view(data, length)) ? length
                                                                                          : 0;
}

void TransferSession::OnHeaderLine(std::string_view line) {
    if (auto status = ParseHttpStatusLine(line)) {
        // The request has surely gone out once its reply begins; libcurl has no
        // notification of its own for that moment.
        if (!m_request.replyStarted) {
            Report(RequestSent);
            Report(ReceivingResponse);
            m_request.replyStarted = true;
        }
        m_request.status = std::move(*status);
        m_request.inHeaders = true;
        m_request.hasLocation = false;
        return;
    }
    if (!m_request.inHeaders) {
        return; // trailers after a chunked body
    }
    if (line == "\r\n" || line == "\n") {
        m_request.inHeaders = false;
        OnHeadersEnd();
    } else if (IsLocationHeader(line)) {
        m_request.hasLocation = true;
    }
}

void TransferSession::OnHeadersEnd() {
    const int code = m_request.status.code;
    if (code >= 100 && code < 200) {
        return; // an interim reply; the real one follows on the same request
    }
    long redirects = 0;
    curl_easy_getinfo(m_curl.get(), CURLINFO_REDIRECT_COUNT, &redirects);
    if (code >= 300 && code < 400 && m_request.hasLocation && redirects < MaxRedirects) {
        Report(Redirect);
        return;
    }
    m_finalStatus = m_request.status;
    m_responseAt = std::chrono::steady_clock::now();
    Report(ResponseReceived);
}

} // namespace kelvarin
