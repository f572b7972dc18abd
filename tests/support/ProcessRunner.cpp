#include "support/ProcessRunner.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kelvarin::test {

namespace {

constexpr auto RunTimeout = std::chrono::minutes(2);

std::runtime_error SystemError(const std::string& what, int error) {
    return std::runtime_error(what + ": " + std::strerror(error));
}

void ClosePipe(int fds[2]) {
    ::close(fds[0]);
    ::close(fds[1]);
}

} // namespace

ProcessRunner::ProcessRunner(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    std::vector<char*> pointers;
    for (std::string& arg : args)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0)
        throw SystemError("pipe", errno);
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        const int error = errno;
        ClosePipe(outPipe);
        throw SystemError("pipe", error);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    // The test runner may have been started with Ctrl+C ignored; the program
    // under test must see it as a user's terminal would send it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    const int result =
        ::posix_spawn(&m_pid, pointers[0], &actions, &attributes, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (result != 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        throw SystemError("cannot start " + argv.front(), result);
    }
    m_outFd = outPipe[0];
    m_errFd = errPipe[0];
}

ProcessRunner::~ProcessRunner() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_outFd >= 0)
        ::close(m_outFd);
    if (m_errFd >= 0)
        ::close(m_errFd);
}

void ProcessRunner::Signal(int signal) const {
    if (m_pid > 0)
        ::kill(m_pid, signal);
}

ProcessOutput ProcessRunner::Wait() {
    ProcessOutput output;
    const auto deadline = std::chrono::steady_clock::now() + RunTimeout;
    pollfd fds[2] = {{m_outFd, POLLIN, 0}, {m_errFd, POLLIN, 0}};
    std::string* sinks[2] = {&output.out, &output.err};
    int* owners[2] = {&m_outFd, &m_errFd};
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            throw std::runtime_error("the program did not end in time");
        const int ready = ::poll(fds, 2, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR)
            throw SystemError("poll", errno);
        for (int i = 0; i < 2 && ready > 0; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char chunk[4096];
            const ssize_t got = ::read(fds[i].fd, chunk, sizeof chunk);
            if (got > 0) {
                sinks[i]->append(chunk, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = *owners[i] = -1;
            }
        }
    }

    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    output.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return output;
}

ProcessOutput RunProcess(const std::vector<std::string>& argv) {
    ProcessRunner runner(argv);
    return runner.Wait();
}

} // namespace kelvarin::test
