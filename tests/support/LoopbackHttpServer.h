#pragma once

#include <chrono>
#include <condition_variable>
#include <httplib.h>
#include <mutex>
#include <string>
#include <thread>

namespace kelvarin::test {

// An HTTP server on 127.0.0.1 and a port nobody else holds, serving from its own
// thread. Add routes through Routes() before Start().
class LoopbackHttpServer {
public:
    LoopbackHttpServer();
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    httplib::Server& Routes() { return m_server; }
    void Start();
    // Releases every handler blocked in WaitUntilStopping, then ends the server.
    void Stop();

    int Port() const { return m_port; }
    // "http://127.0.0.1:PORT" + path.
    std::string Url(const std::string& path) const;

    // For handlers that hold a reply back: blocks until Stop() is called, so a
    // stalled reply never keeps the server from stopping.
    void WaitUntilStopping();

private:
    httplib::Server m_server;
    int m_port = -1;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_stopping;
    bool m_stopRequested = false;
};

} // namespace kelvarin::test
