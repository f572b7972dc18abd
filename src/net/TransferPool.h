#pragma once

#include "net/ConnectionShare.h"
#include "net/HttpTransfer.h"
#include "net/StatusWindow.h"
#include "net/TransferPump.h"
#include "net/TransferSettings.h"

#include <chrono>
#include <cstddef>
#include <curl/curl.h>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kelvarin {

// Fetches addresses one after the other for a caller that handles each body
// before it asks for the next, while the addresses it expects to ask for
// next are already under way: up to `connections` transfers at once, over
// the connections of one share. Every fetch keeps its own transfer, session
// and texts; what a transfer shows while the caller still waits on an
// earlier one is held back and shown when the caller comes to it, so the
// status window shows each fetch's texts whole, one fetch after the other,
// in the caller's order. With one connection each fetch runs alone, exactly
// as HttpTransfer::FetchUrl runs it. For one thread.
class TransferPool {
public:
    // The next address the caller will most likely ask for, after those it
    // named before; nullopt once it knows of none. A guess: an address asked
    // for that was not guessed is fetched then, and one guessed but passed
    // over is dropped.
    using AddressesAhead = std::function<std::optional<std::string>()>;

    // `pump` gets the waiting program's turns while a fetch runs; once it
    // asks to stop, no transfer starts but the one asked for.
    TransferPool(const TransferSettings& settings, TransferPump& pump, std::string agentName,
                 AddressesAhead ahead);
    // Drops the transfers nobody asked for, keeping nothing of them.
    ~TransferPool();
    TransferPool(const TransferPool&) = delete;
    TransferPool& operator=(const TransferPool&) = delete;

    // As HttpTransfer::FetchUrl, the texts of this fetch shown on
    // `statusWindow` (nowhere when it is null).
    bool FetchUrl(const std::string& address, std::string& body, StatusWindow* statusWindow);
    const std::string& FailureCause() const { return m_failureCause; }
    bool Stopped() const { return m_stopped; }
    int RefusalStatus() const { return m_refusalStatus; }

private:
    struct Fetch;
    struct MultiDeleter {
        void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
    };
    // What the transfers under way get of the pump: the pool alone hands out
    // the program's turns, but each transfer still ends itself when stopped
    // while idle.
    class StopOnlyPump final : public TransferPump {
    public:
        explicit StopOnlyPump(TransferPump& pump) : m_pump(pump) {}
        void Pump() override {}
        bool StopAsked() const override { return m_pump.StopAsked(); }

    private:
        TransferPump& m_pump;
    };

    bool FetchAlone(const std::string& address, std::string& body, StatusWindow* statusWindow);
    // Puts the fetch of `address` first, dropping those guessed before it,
    // or starts it there when it was not guessed.
    void BringForward(const std::string& address);
    std::unique_ptr<Fetch> StartFetch(std::string address);
    // Starts guessed addresses until `count` fetches are under way or done
    // and not yet handed over; none once the program asked to stop.
    void StartAhead(std::size_t count);
    // Runs every transfer until `fetch` has ended, handing out the program's turns.
    void RunUntilDone(const Fetch& fetch);
    // One step of every transfer, without waiting: requests go out, replies come in.
    bool Advance();
    void CompleteFinished();
    void Complete(Fetch& fetch, CURLcode result);
    void Drop(Fetch& fetch);
    void ServePump();

    TransferSettings m_settings;
    TransferPump& m_pump;
    StopOnlyPump m_stopOnly;
    std::string m_agentName;
    AddressesAhead m_ahead;
    bool m_aheadEnded = false;
    std::string m_failureCause;
    bool m_stopped = false;
    int m_refusalStatus = 0;
    std::chrono::steady_clock::time_point m_lastPump{};
    // The share outlives every transfer and the multi handle they run on.
    ConnectionShare m_share;
    std::unique_ptr<CURLM, MultiDeleter> m_multi;
    // The fetch asked for first while it runs, then those started ahead of
    // the caller, in the order it will most likely ask for them.
    std::deque<std::unique_ptr<Fetch>> m_fetches;
};

} // namespace kelvarin
