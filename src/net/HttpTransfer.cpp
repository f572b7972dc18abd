#include "net/HttpTransfer.h"

#include "net/TransferSession.h"

#include <cstdio>

namespace kelvarin {

namespace {

std::string StoppedText(std::chrono::milliseconds idle) {
    char text[80];
    std::snprintf(text, sizeof text, "Transfer stopped by user: nothing received for %g s",
                  static_cast<double>(idle.count()) / 1000.0);
    return text;
}

} // namespace

HttpTransfer::HttpTransfer(const TransferSettings& settings, ConnectionShare* share,
                           TransferPump* pump)
    : m_limits(settings.limits), m_trust(settings.trust), m_share(share), m_pump(pump),
      m_onChunk([this](std::string_view chunk) { return OnChunk(chunk); }) {}

HttpTransfer::~HttpTransfer() {
    CloseSession();
}

bool HttpTransfer::FetchUrl(const std::string& address, std::string& body,
                            const std::string& agentName, StatusWindow* statusWindow) {
    if (!Prepare(body, agentName, statusWindow)) {
        return false;
    }
    return Judge(m_session->Perform(address, m_onChunk));
}

TransferSession* HttpTransfer::Start(const std::string& address, std::string& body,
                                     const std::string& agentName, StatusWindow* statusWindow) {
    if (!Prepare(body, agentName, statusWindow)) {
        return nullptr;
    }
    m_session->Begin(address, m_onChunk);
    return m_session.get();
}

bool HttpTransfer::Complete(CURLcode result) {
    m_session->End(result);
    return Judge(result);
}

bool HttpTransfer::Prepare(std::string& body, const std::string& agentName,
                           StatusWindow* statusWindow) {
    body.clear();
    m_body = &body;
    m_tooLarge = false;
    m_failureCause.clear();
    m_stopped = false;
    m_refusalStatus = 0;
    if (m_session == nullptr && !OpenSession(agentName, statusWindow)) {
        return Fail("libcurl could not set up a transfer");
    }
    if (statusWindow != nullptr) {
        m_session->SetStatusWindow(statusWindow);
    }
    return true;
}

bool HttpTransfer::OnChunk(std::string_view chunk) {
    // libcurl's own size limit only looks at a declared length, so a body
    // sent without one is counted here.
    if (m_body->size() + chunk.size() > m_limits.maxBodyBytes) {
        m_tooLarge = true;
        return false;
    }
    m_body->append(chunk);
    m_session->ShowReadProgress(
        m_body->size(), std::chrono::duration_cast<std::chrono::seconds>(
                            std::chrono::steady_clock::now() - m_session->ResponseReceivedAt()));
    return true;
}

bool HttpTransfer::Judge(CURLcode result) {
    TransferSession& session = *m_session;
    if (m_tooLarge) {
        return Fail("Reply refused: body larger than " + std::to_string(m_limits.maxBodyBytes) +
                    " bytes");
    }
    if (session.StoppedWhileIdle()) {
        m_stopped = true;
        return Fail(StoppedText(m_limits.stopAfterIdle));
    }
    if (result != CURLE_OK) {
        return Fail(session.ErrorText(result));
    }
    // An error page is not the content that was asked for.
    if (const HttpStatusLine& status = session.FinalStatus(); status.code >= 400) {
        m_refusalStatus = status.code;
        std::string cause = "HTTP " + std::to_string(status.code);
        if (!status.reason.empty()) {
            cause += " " + status.reason;
        }
        return Fail(cause);
    }
    session.SetStatusText("%s", "");
    return true;
}

bool HttpTransfer::Fail(std::string cause) {
    m_failureCause = std::move(cause);
    if (m_session != nullptr) {
        m_session->SetStatusText("%s", m_failureCause.c_str());
    }
    return false;
}

bool HttpTransfer::OpenSession(const std::string& agentName, StatusWindow* statusWindow) {
    CloseSession();
    auto session = std::make_unique<TransferSession>(
        agentName, statusWindow, TransferSettings{m_limits, m_trust}, m_share, m_pump);
    if (!session->IsOpen()) {
        return false;
    }
    m_session = std::move(session);
    return true;
}

void HttpTransfer::CloseSession() {
    m_session.reset();
}

} // namespace kelvarin
