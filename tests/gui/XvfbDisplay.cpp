#include "XvfbDisplay.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

bool Answers(const std::string& name) {
    xcb_connection_t* connection = xcb_connect(name.c_str(), nullptr);
    const bool up = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return up;
}

} // namespace

XvfbDisplay::XvfbDisplay() {
    for (int number = 120; number < 200; ++number) {
        if (TryStart(number))
            return;
    }
    throw std::runtime_error("no Xvfb could be started on :120 to :199");
}

XvfbDisplay::~XvfbDisplay() {
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
}

bool XvfbDisplay::TryStart(int number) {
    const std::string name = ":" + std::to_string(number);
    if (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock"))
        return false;
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("cannot start Xvfb: no process");
    if (pid == 0) {
        // A test that crashes must not leave its server behind.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execlp("Xvfb", "Xvfb", name.c_str(), "-nolisten", "tcp", "-screen", "0", "1280x800x24",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        // A server that gave up (display taken after all) has ended by now.
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
                throw std::runtime_error("cannot start Xvfb (is the xvfb package installed?)");
            return false;
        }
        if (Answers(name)) {
            m_pid = pid;
            m_name = name;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return false;
}
