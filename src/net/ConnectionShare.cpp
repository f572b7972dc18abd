#include "net/ConnectionShare.h"

#include "net/TransferSession.h"

#include <unistd.h>

namespace kelvarin {

bool EnsureCurlInitialised() {
    // curl_global_init is not safe to race; a function-local static runs it once.
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    return initialised == CURLE_OK;
}

ConnectionShare::ConnectionShare() {
    if (!EnsureCurlInitialised())
        return;
    m_share.reset(curl_share_init());
    if (m_share == nullptr)
        return;
    if (curl_share_setopt(m_share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT) != CURLSHE_OK ||
        curl_share_setopt(m_share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS) != CURLSHE_OK)
        m_share.reset();
}

ConnectionShare::~ConnectionShare() {
    m_watching = nullptr;
    m_share.reset();
}

int ConnectionShare::CloseSocket(void* clientp, curl_socket_t socket) {
    const auto& self = *static_cast<const ConnectionShare*>(clientp);
    if (self.m_watching != nullptr)
        return self.m_watching->CloseSocketShowingIt(socket);
    return ::close(socket) == 0 ? 0 : 1;
}

} // namespace kelvarin
