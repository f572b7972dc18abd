#pragma once

#include <string>
#include <vector>

namespace kelvarin::cli {

// What `systemctl --user` answered: its exit status and what it printed,
// stdout and stderr together, as a cause to show when it failed.
struct SystemctlAnswer {
    int exitCode = 0;
    std::string output;
};

// The user's own systemd service manager, reached through systemctl. The
// tests put a fake session, or the lack of one, in its place.
class UserSystemctl {
public:
    virtual ~UserSystemctl() = default;
    // Runs `systemctl --user ARGS...`.
    virtual SystemctlAnswer Run(const std::vector<std::string>& args) = 0;
};

// The real one. Without $XDG_RUNTIME_DIR, where the session's manager listens,
// systemctl is not started at all, so the answer says what is missing rather
// than systemctl's "Failed to connect to bus".
class SessionSystemctl : public UserSystemctl {
public:
    SystemctlAnswer Run(const std::vector<std::string>& args) override;
};

// Where the user's own units live: $XDG_CONFIG_HOME/systemd/user, or
// ~/.config/systemd/user when XDG_CONFIG_HOME is unset or not absolute.
std::string UserUnitFolder();

} // namespace kelvarin::cli
