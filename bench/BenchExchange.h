#pragma once

#include "BenchFiles.h"

#include <csignal>
#include <string>
#include <vector>

namespace kelvarin::bench {

// kelvarin-exchange started by `command` (the program and its arguments,
// possibly behind a wrapper such as `ip netns exec`), until the object goes.
class BenchExchange {
public:
    explicit BenchExchange(const std::vector<std::string>& command) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            Fail("pipe");
        for (const std::string& arg : command)
            m_command += (m_command.empty() ? "" : " ") + arg;
        std::vector<char*> argv;
        for (const std::string& arg : command)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        if (posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            Fail("cannot start " + m_command);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        // Warming builds every archive before the address is printed.
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n')
            m_url += c;
        ::close(fds[0]);
        if (m_url.empty())
            Fail(m_command + " printed no address");
    }
    ~BenchExchange() {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    BenchExchange(const BenchExchange&) = delete;
    BenchExchange& operator=(const BenchExchange&) = delete;

    const std::string& Url() const { return m_url; }
    const std::string& Command() const { return m_command; }

private:
    pid_t m_pid = -1;
    std::string m_url;
    std::string m_command;
};

} // namespace kelvarin::bench
