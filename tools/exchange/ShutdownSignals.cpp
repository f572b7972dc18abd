#include "exchange/ShutdownSignals.h"

#include <pthread.h>

namespace kelvarin::exchange {

namespace {
// Sent by the destructor to release a watcher that saw no signal.
constexpr int ReleaseSignal = SIGUSR1;
} // namespace

ShutdownSignals::ShutdownSignals() {
    sigemptyset(&m_signals);
    sigaddset(&m_signals, SIGINT);
    sigaddset(&m_signals, SIGTERM);
    sigaddset(&m_signals, ReleaseSignal);
    pthread_sigmask(SIG_BLOCK, &m_signals, nullptr);
    // A client that hangs up in the middle of a reply must not end the server.
    std::signal(SIGPIPE, SIG_IGN);
}

ShutdownSignals::~ShutdownSignals() {
    if (m_watcher.joinable()) {
        pthread_kill(m_watcher.native_handle(), ReleaseSignal);
        m_watcher.join();
    }
}

void ShutdownSignals::OnSignal(std::function<void()> action) {
    m_watcher = std::thread([this, action = std::move(action)] {
        int signal = 0;
        if (sigwait(&m_signals, &signal) == 0 && signal != ReleaseSignal)
            action();
    });
}

} // namespace kelvarin::exchange
