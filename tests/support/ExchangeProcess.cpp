#include "support/ExchangeProcess.h"

#include "support/TestPaths.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace kelvarin::test {

namespace {

constexpr auto StartTimeout = std::chrono::seconds(10);
constexpr auto StopTimeout = std::chrono::seconds(5);

// Reads up to the first line end, giving up at the deadline or at end of
// output (the server died before it was ready).
std::string ReadFirstLine(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + StartTimeout;
    std::string line;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            throw std::runtime_error("kelvarin-exchange printed no address in time");
        pollfd waiting{fd, POLLIN, 0};
        const int ready = poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        char chunk[256];
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw std::runtime_error("kelvarin-exchange ended before printing its address");
        line.append(chunk, static_cast<std::size_t>(got));
        const auto end = line.find('\n');
        if (end != std::string::npos)
            return line.substr(0, end);
    }
}

// Waits for the child up to the timeout; true with its status when it ended.
bool WaitFor(pid_t pid, std::chrono::milliseconds timeout, int& status) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

ExchangeProcess::ExchangeProcess(const std::vector<std::string>& extraArgs) {
    std::vector<std::string> args{ExchangeBinary, "--port", "0"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    // The test's own signal mask and handlers (a debugger's, a runner's) must
    // not leak into the server, or SIGTERM might not reach it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const int spawned = posix_spawn(&m_pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        m_pid = -1;
        throw std::runtime_error(std::string("cannot start ") + ExchangeBinary + ": " +
                                 std::strerror(spawned));
    }
    try {
        m_url = ReadFirstLine(pipeFds[0]);
    } catch (...) {
        close(pipeFds[0]);
        Stop();
        throw;
    }
    // The server writes nothing after its address, and it ignores SIGPIPE.
    close(pipeFds[0]);
    if (!m_url.starts_with("http://127.0.0.1:") && !m_url.starts_with("https://127.0.0.1:")) {
        Stop();
        throw std::runtime_error("kelvarin-exchange printed an unexpected line: " + m_url);
    }
}

ExchangeProcess::~ExchangeProcess() {
    Stop();
}

int ExchangeProcess::Port() const {
    return std::stoi(m_url.substr(m_url.rfind(':') + 1));
}

int ExchangeProcess::Stop() {
    if (m_pid <= 0)
        return m_status;
    kill(m_pid, SIGTERM);
    int status = 0;
    if (WaitFor(m_pid, StopTimeout, status)) {
        m_status = status;
    } else {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, &status, 0);
        m_status = -1;
    }
    m_pid = -1;
    return m_status;
}

} // namespace kelvarin::test
