#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace kelvarin::test {

// A kelvarin-exchange of its own for one test, on a free port of 127.0.0.1.
// The constructor returns once the server has printed its address, or
// throws; the destructor ends it with SIGTERM (SIGKILL if it lingers).
class ExchangeProcess {
public:
    explicit ExchangeProcess(const std::vector<std::string>& extraArgs = {});
    ~ExchangeProcess();
    ExchangeProcess(const ExchangeProcess&) = delete;
    ExchangeProcess& operator=(const ExchangeProcess&) = delete;

    // "http://127.0.0.1:PORT" ("https://" when given a certificate), no trailing slash.
    const std::string& Url() const { return m_url; }
    int Port() const;
    pid_t Pid() const { return m_pid; }

    // Sends SIGTERM and waits; returns the exit status (as from waitpid), or
    // -1 when the process had to be killed. Safe to call more than once.
    int Stop();

private:
    pid_t m_pid = -1;
    int m_status = -1;
    std::string m_url;
};

} // namespace kelvarin::test
