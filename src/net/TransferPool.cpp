#include "net/TransferPool.h"

#include "net/TransferSession.h"

#include <algorithm>
#include <vector>

namespace kelvarin {

namespace {

// A transfer's texts, held while nobody waits on it, then shown all at once
// and every later one as it comes, once somebody does.
class HeldTexts final : public StatusWindow {
public:
    void SetText(std::string_view text) override {
        if (m_window != nullptr)
            m_window->SetText(text);
        else
            m_held.emplace_back(text);
    }
    void ShowOn(StatusWindow* window) {
        m_window = window;
        if (window == nullptr)
            return;
        for (const std::string& text : m_held)
            window->SetText(text);
        m_held = {};
    }

private:
    StatusWindow* m_window = nullptr;
    std::vector<std::string> m_held;
};

CURLcode ResultOf(CURLMcode state) {
    return state == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_FAILED_INIT;
}

} // namespace

struct TransferPool::Fetch {
    std::string address;
    HeldTexts texts;
    std::string body;
    // Last, so the session is gone before the texts and body it writes into.
    std::unique_ptr<HttpTransfer> transfer;
    // Set while the transfer runs on the multi handle.
    TransferSession* session = nullptr;
    bool fetched = false;
};

TransferPool::TransferPool(const TransferSettings& settings, TransferPump& pump,
                           std::string agentName, AddressesAhead ahead)
    : m_settings(settings), m_pump(pump), m_stopOnly(pump), m_agentName(std::move(agentName)),
      m_ahead(std::move(ahead)) {
    // Without a multi handle every fetch runs alone, as with one connection.
    if (m_settings.connections > 1 && m_share.Handle() != nullptr)
        m_multi.reset(curl_multi_init());
}

TransferPool::~TransferPool() {
    for (const std::unique_ptr<Fetch>& fetch : m_fetches)
        Drop(*fetch);
    m_fetches.clear();
}

bool TransferPool::FetchUrl(const std::string& address, std::string& body,
                            StatusWindow* statusWindow) {
    if (m_multi == nullptr)
        return FetchAlone(address, body, statusWindow);
    const std::size_t connections = static_cast<std::size_t>(m_settings.connections);
    // Guessed first, so that the first address asked for is found among the
    // guesses rather than fetched twice.
    StartAhead(connections);
    BringForward(address);
    StartAhead(connections);
    Fetch& fetch = *m_fetches.front();
    fetch.texts.ShowOn(statusWindow);
    RunUntilDone(fetch);
    body = std::move(fetch.body);
    m_failureCause = fetch.transfer->FailureCause();
    m_stopped = fetch.transfer->Stopped();
    m_refusalStatus = fetch.transfer->RefusalStatus();
    const bool fetched = fetch.fetched;
    m_fetches.pop_front();
    // The next requests go out now, and their replies arrive while the
    // caller checks and stores this body.
    StartAhead(connections);
    Advance();
    return fetched;
}

bool TransferPool::FetchAlone(const std::string& address, std::string& body,
                              StatusWindow* statusWindow) {
    HttpTransfer transfer(m_settings, &m_share, &m_pump);
    const bool fetched = transfer.FetchUrl(address, body, m_agentName, statusWindow);
    m_failureCause = transfer.FailureCause();
    m_stopped = transfer.Stopped();
    m_refusalStatus = transfer.RefusalStatus();
    return fetched;
}

void TransferPool::BringForward(const std::string& address) {
    const auto found = std::find_if(
        m_fetches.begin(), m_fetches.end(),
        [&address](const std::unique_ptr<Fetch>& fetch) { return fetch->address == address; });
    if (found != m_fetches.end()) {
        for (auto passed = m_fetches.begin(); passed != found; ++passed)
            Drop(**passed);
        m_fetches.erase(m_fetches.begin(), found);
        return;
    }
    // The guess furthest ahead makes way, so no more run than were asked for.
    if (m_fetches.size() >= static_cast<std::size_t>(m_settings.connections)) {
        Drop(*m_fetches.back());
        m_fetches.pop_back();
    }
    m_fetches.push_front(StartFetch(address));
}

std::unique_ptr<TransferPool::Fetch> TransferPool::StartFetch(std::string address) {
    auto fetch = std::make_unique<Fetch>();
    fetch->address = std::move(address);
    fetch->transfer = std::make_unique<HttpTransfer>(m_settings, &m_share, &m_stopOnly);
    TransferSession* session =
        fetch->transfer->Start(fetch->address, fetch->body, m_agentName, &fetch->texts);
    if (session == nullptr)
        return fetch;
    if (const CURLMcode added = curl_multi_add_handle(m_multi.get(), session->Handle());
        added != CURLM_OK) {
        fetch->fetched = fetch->transfer->Complete(ResultOf(added));
        return fetch;
    }
    fetch->session = session;
    return fetch;
}

void TransferPool::StartAhead(std::size_t count) {
    while (!m_aheadEnded && m_fetches.size() < count && !m_pump.StopAsked()) {
        std::optional<std::string> next = m_ahead ? m_ahead() : std::nullopt;
        if (!next) {
            m_aheadEnded = true;
            return;
        }
        m_fetches.push_back(StartFetch(std::move(*next)));
    }
}

void TransferPool::RunUntilDone(const Fetch& fetch) {
    if (fetch.session == nullptr)
        return;
    // Connections that close now close for the fetch the user waits on.
    m_share.SetWatchingSession(fetch.session);
    while (Advance() && fetch.session != nullptr) {
        ServePump();
        curl_multi_poll(m_multi.get(), nullptr, 0, static_cast<int>(PumpInterval.count()), nullptr);
    }
    m_share.SetWatchingSession(nullptr);
}

bool TransferPool::Advance() {
    int running = 0;
    const CURLMcode state = curl_multi_perform(m_multi.get(), &running);
    if (state != CURLM_OK) {
        // The multi handle is of no more use: every transfer on it has failed.
        for (const std::unique_ptr<Fetch>& fetch : m_fetches) {
            if (fetch->session != nullptr)
                Complete(*fetch, ResultOf(state));
        }
        return false;
    }
    CompleteFinished();
    return true;
}

void TransferPool::CompleteFinished() {
    int queued = 0;
    while (const CURLMsg* message = curl_multi_info_read(m_multi.get(), &queued)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        // The message is gone once its handle leaves the multi handle.
        CURL* const handle = message->easy_handle;
        const CURLcode result = message->data.result;
        for (const std::unique_ptr<Fetch>& fetch : m_fetches) {
            if (fetch->session != nullptr && fetch->session->Handle() == handle) {
                Complete(*fetch, result);
                break;
            }
        }
    }
}

void TransferPool::Complete(Fetch& fetch, CURLcode result) {
    curl_multi_remove_handle(m_multi.get(), fetch.session->Handle());
    fetch.session = nullptr;
    fetch.fetched = fetch.transfer->Complete(result);
}

void TransferPool::Drop(Fetch& fetch) {
    if (fetch.session == nullptr)
        return;
    curl_multi_remove_handle(m_multi.get(), fetch.session->Handle());
    fetch.session = nullptr;
}

void TransferPool::ServePump() {
    if (const auto now = std::chrono::steady_clock::now(); now - m_lastPump >= PumpInterval) {
        m_lastPump = now;
        m_pump.Pump();
    }
}

} // namespace kelvarin
