#include "cli/UserSystemctl.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kelvarin::cli {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()))
            home = entry->pw_dir;
    }
    return home;
}

SystemctlAnswer CannotRun(int error) {
    return {127, std::string("cannot run systemctl: ") + std::strerror(error)};
}

} // namespace

SystemctlAnswer SessionSystemctl::Run(const std::vector<std::string>& args) {
    if (Environment("XDG_RUNTIME_DIR").empty())
        return {1, "$XDG_RUNTIME_DIR is not set"};
    std::vector<std::string> argv{"systemctl", "--user"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0)
        return CannotRun(errno);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
    pid_t child = -1;
    const int spawned =
        ::posix_spawnp(&child, "systemctl", &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    if (spawned != 0) {
        ::close(output[0]);
        return CannotRun(spawned);
    }

    SystemctlAnswer answer;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(output[0], chunk, sizeof chunk);
        if (got > 0)
            answer.output.append(chunk, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    ::close(output[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    answer.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return answer;
}

std::string UserUnitFolder() {
    std::string config = Environment("XDG_CONFIG_HOME");
    if (!config.starts_with('/'))
        config = HomeFolder() + "/.config";
    return config + "/systemd/user";
}

} // namespace kelvarin::cli
