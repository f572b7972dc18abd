#pragma once

#include <chrono>
#include <httplib.h>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kelvarin::test {

// A small HTTP server in the test process: it answers the paths it was given
// and 404 for every other one, and remembers what was asked.
class LocalServer {
public:
    LocalServer() {
        m_server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(request.path);
            const auto found = m_replies.find(request.path);
            if (found == m_replies.end()) {
                response.status = 404;
                response.set_content("<html>Not Found</html>", "text/html");
                return;
            }
            response.status = found->second.status;
            response.set_content(found->second.body, "application/octet-stream");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~LocalServer() {
        m_server.stop();
        m_thread.join();
    }
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    void Serve(const std::string& path, std::string body, int status = 200) {
        std::lock_guard lock(m_mutex);
        m_replies[path] = {status, std::move(body)};
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    std::vector<std::string> Requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    struct Reply {
        int status = 200;
        std::string body;
    };

    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::map<std::string, Reply> m_replies;
    std::vector<std::string> m_requests;
};

} // namespace kelvarin::test
