#pragma once

#include "support/LoopbackHttpServer.h"

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kelvarin::test {

// Answers the paths it was given and 404 for every other one, and remembers
// what was asked.
class LocalServer {
public:
    LocalServer() {
        m_server.Routes().Get(
            ".*", [this](const httplib::Request& request, httplib::Response& response) {
                std::unique_lock lock(m_mutex);
                m_requests.push_back(request.path);
                if (const auto delay = m_delays.find(request.path); delay != m_delays.end()) {
                    const std::chrono::milliseconds wait = delay->second;
                    lock.unlock();
                    std::this_thread::sleep_for(wait);
                    lock.lock();
                }
                const auto found = m_replies.find(request.path);
                if (found == m_replies.end()) {
                    response.status = 404;
                    response.set_content("<html>Not Found</html>", "text/html");
                    return;
                }
                response.status = found->second.status;
                response.set_content(found->second.body, "application/octet-stream");
            });
        m_server.Start();
    }

    void Serve(const std::string& path, std::string body, int status = 200) {
        std::lock_guard lock(m_mutex);
        m_replies[path] = {status, std::move(body)};
    }
    // The reply for `path` waits this long.
    void Delay(const std::string& path, std::chrono::milliseconds delay) {
        std::lock_guard lock(m_mutex);
        m_delays[path] = delay;
    }
    std::string Url() const { return m_server.Url(""); }
    std::vector<std::string> Requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    struct Reply {
        int status = 200;
        std::string body;
    };

    mutable std::mutex m_mutex;
    std::map<std::string, Reply> m_replies;
    std::map<std::string, std::chrono::milliseconds> m_delays;
    std::vector<std::string> m_requests;
    // Last, so it stops before the replies its handler reads are gone.
    LoopbackHttpServer m_server;
};

} // namespace kelvarin::test
