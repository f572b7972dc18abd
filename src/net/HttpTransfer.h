#pragma once

#include <memory>
#include <string>

#include "net/StatusWindow.h"

namespace kelvarin {

class TransferSession;

// Fetches the whole body of one http address into memory, reporting every step
// of the transfer on a status window.
class HttpTransfer {
public:
    HttpTransfer();
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    // Empties `body` and fills it with the reply. False for a network error, an
    // HTTP status of 400 or above, or a body over the size limit; the status
    // window then shows the cause and `body` keeps what arrived.
    bool FetchUrl(const std::string& address, std::string& body, const std::string& agentName,
                  StatusWindow* statusWindow);

    bool OpenSession(const std::string& agentName, StatusWindow* statusWindow);
    void CloseSession();

private:
    std::unique_ptr<TransferSession> m_session;
};

} // namespace kelvarin
