#pragma once

#include "net/StatusWindow.h"
#include "net/TransferPump.h"
#include "net/TransferSettings.h"

#include <curl/curl.h>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kelvarin {

class ConnectionShare;
class TransferSession;

// Fetches the whole body of one http address into memory, reporting every step
// of the transfer on a status window.
class HttpTransfer {
public:
    // With a share, the session takes its connections from it, so that one
    // connection serves the fetches of many transfers. With a pump, the program
    // that waits gets its turns while a fetch runs and can stop a silent one.
    explicit HttpTransfer(const TransferSettings& settings = {}, ConnectionShare* share = nullptr,
                          TransferPump* pump = nullptr);
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    // Empties `body` and fills it with the reply. False for a network error, an
    // HTTP status of 400 or above, a body over the size limit or a stop request
    // while nothing arrived; the status window then shows the cause and `body`
    // keeps what arrived. A null status window keeps the one an earlier fetch gave.
    bool FetchUrl(const std::string& address, std::string& body, const std::string& agentName,
                  StatusWindow* statusWindow);
    // FetchUrl in two pieces, for a transfer that a caller runs among others
    // on a multi handle of its own: Start sets the fetch up and returns its
    // session, whose Handle() the caller runs to its end and hands libcurl's
    // result to Complete. Null when no session could be made: the fetch has
    // failed then, as FetchUrl would have. `body` must last until Complete.
    TransferSession* Start(const std::string& address, std::string& body,
                           const std::string& agentName, StatusWindow* statusWindow);
    bool Complete(CURLcode result);
    // Why the last fetch failed, as its status window showed it.
    const std::string& FailureCause() const { return m_failureCause; }
    // Whether the last fetch failed because the user asked to stop.
    bool Stopped() const { return m_stopped; }
    // The HTTP status the server refused the last fetch with (400 or above);
    // 0 when it did not, or when no reply came at all.
    int RefusalStatus() const { return m_refusalStatus; }

    // The session, and with it its connections, lasts until CloseSession, the
    // next OpenSession or the end of the object.
    bool OpenSession(const std::string& agentName, StatusWindow* statusWindow);
    void CloseSession();

private:
    // What FetchUrl and Start share: a fresh body and result, an open session.
    bool Prepare(std::string& body, const std::string& agentName, StatusWindow* statusWindow);
    bool OnChunk(std::string_view chunk);
    bool Judge(CURLcode result);
    bool Fail(std::string cause);

    TransferLimits m_limits;
    CertificateTrust m_trust;
    ConnectionShare* m_share;
    TransferPump* m_pump;
    std::unique_ptr<TransferSession> m_session;
    std::function<bool(std::string_view)> m_onChunk;
    std::string* m_body = nullptr;
    bool m_tooLarge = false;
    std::string m_failureCause;
    bool m_stopped = false;
    int m_refusalStatus = 0;
};

} // namespace kelvarin
