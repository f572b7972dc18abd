#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace kelvarin::test {

struct ProcessOutput {
    // The exit status, or 128 + the signal that ended the process, as a shell
    // reports it.
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program with stdin from /dev/null and its stdout and stderr caught,
// so it sees no terminal, as in a script. The destructor kills a process that
// is still running.
class ProcessRunner {
public:
    explicit ProcessRunner(const std::vector<std::string>& argv);
    ~ProcessRunner();
    ProcessRunner(const ProcessRunner&) = delete;
    ProcessRunner& operator=(const ProcessRunner&) = delete;

    pid_t Pid() const { return m_pid; }
    void Signal(int signal) const;
    // Reads stderr until it holds `text`: false when the program ends or
    // `timeout` passes first. What was read stays part of Wait's output.
    bool WaitForErr(std::string_view text, std::chrono::milliseconds timeout);
    // Reads both outputs to their end and waits for the process; a process that
    // has not ended after two minutes is killed and the call throws.
    ProcessOutput Wait();

private:
    pid_t m_pid = -1;
    int m_outFd = -1;
    int m_errFd = -1;
    std::string m_errSoFar;
};

// Starts the program and waits for it.
ProcessOutput RunProcess(const std::vector<std::string>& argv);

} // namespace kelvarin::test
