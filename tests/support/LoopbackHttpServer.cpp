#include "support/LoopbackHttpServer.h"

#include <stdexcept>

namespace kelvarin::test {

LoopbackHttpServer::LoopbackHttpServer() {
    m_port = m_server.bind_to_any_port("127.0.0.1");
    if (m_port < 0) {
        throw std::runtime_error("cannot bind a loopback port");
    }
    // Idle kept-alive connections would otherwise hold Stop() for seconds.
    m_server.set_keep_alive_timeout(1);
}

LoopbackHttpServer::~LoopbackHttpServer() {
    Stop();
}

void LoopbackHttpServer::Start() {
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    // stop() is ignored until the server runs; waiting here makes Stop() certain.
    while (!m_server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void LoopbackHttpServer::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopRequested = true;
    }
    m_stopping.notify_all();
    if (m_thread.joinable()) {
        m_server.stop();
        m_thread.join();
    }
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void LoopbackHttpServer::WaitUntilStopping() {
    std::unique_lock lock(m_mutex);
    m_stopping.wait(lock, [this] { return m_stopRequested; });
}

} // namespace kelvarin::test
