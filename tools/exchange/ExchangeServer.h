#pragma once

#include "exchange/ArchiveCache.h"
#include "exchange/FaultPlan.h"
#include "exchange/MarketGenerator.h"
#include "exchange/TlsFiles.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <httplib.h>
#include <memory>
#include <mutex>
#include <string>

namespace kelvarin::exchange {

// The simulated exchange's price server on 127.0.0.1, or another address
// it is given: the index page, one archive per trading day, and the faults
// it was told to show; over HTTPS when given a certificate.
class ExchangeServer {
public:
    // Throws when the certificate or its key cannot be loaded.
    ExchangeServer(const MarketSettings& market, FaultPlan faults, std::size_t cacheBytes,
                   const TlsFiles& tls = {});

    // Builds every archive now, so that the first download run measures
    // the transfer rather than the deflating.
    void Warm();
    // Appends the id of every archive asked for, one a line, to the file at
    // `path`, so a test can tell what a client fetched and how often.
    void LogRequestsTo(const std::string& path);
    // Binds address:port (0 picks a free port) and returns the port.
    int Bind(const std::string& address, int port);
    // Serves until Stop; returns at once when Stop came first.
    void Run();
    // From any thread; also ends stalled replies and pending delays.
    void Stop();

private:
    void AddRoutes();
    void ServeArchive(const httplib::Request& request, httplib::Response& response);
    void LogRequest(const std::string& id) const;
    // Cut short when the server stops.
    void Wait(std::chrono::milliseconds delay);
    void WaitForStop();

    MarketGenerator m_market;
    ArchiveCache m_archives;
    FaultPlan m_faults;
    std::string m_indexPage;
    std::string m_requestLog;
    std::unique_ptr<httplib::Server> m_server;

    std::mutex m_mutex;
    std::condition_variable m_stopRequested;
    bool m_stopping = false;
    bool m_runStarted = false;
    std::atomic<bool> m_runFinished = false;
};

} // namespace kelvarin::exchange
