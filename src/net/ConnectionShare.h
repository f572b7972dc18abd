#pragma once

#include <curl/curl.h>
#include <memory>

namespace kelvarin {

class TransferSession;

// Runs libcurl's process-wide set-up once, before its first handle of any
// kind; false when it failed, and no handle may be made then.
bool EnsureCurlInitialised();

// Connections and name lookups kept between the transfers of one run, so that
// fetching thousands of archives from one server opens one connection instead
// of one per archive, while every fetch keeps its own transfer, session and
// status texts. For one thread; it must outlive every transfer given it.
class ConnectionShare {
public:
    ConnectionShare();
    ~ConnectionShare();
    ConnectionShare(const ConnectionShare&) = delete;
    ConnectionShare& operator=(const ConnectionShare&) = delete;

    // Null when libcurl could not make the share; transfers then keep
    // connections of their own.
    CURLSH* Handle() const { return m_share.get(); }

    // A shared connection is closed by whichever fetch finds it dead, or by the
    // share itself, long after the session that opened it may be gone; so its
    // socket is closed through the share, which tells the session whose fetch
    // is under way, and nobody between fetches.
    void SetWatchingSession(TransferSession* session) { m_watching = session; }
    static int CloseSocket(void* clientp, curl_socket_t socket);

private:
    struct ShareDeleter {
        void operator()(CURLSH* share) const { curl_share_cleanup(share); }
    };

    TransferSession* m_watching = nullptr;
    // Last, so the cleanup that closes the sockets runs while the rest is alive.
    std::unique_ptr<CURLSH, ShareDeleter> m_share;
};

} // namespace kelvarin
