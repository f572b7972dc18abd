#pragma once

#include <csignal>
#include <functional>
#include <thread>

namespace kelvarin::exchange {

// Turns SIGINT and SIGTERM into a call on an ordinary thread, where a
// server may be stopped safely (nothing of that is allowed in a signal
// handler). Construct it before any other thread starts: the signals are
// blocked in the constructing thread and so in every thread it starts.
class ShutdownSignals {
public:
    ShutdownSignals();
    ~ShutdownSignals();
    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

    // Runs action once, on the watcher thread, when either signal arrives.
    void OnSignal(std::function<void()> action);

private:
    sigset_t m_signals;
    std::thread m_watcher;
};

} // namespace kelvarin::exchange
