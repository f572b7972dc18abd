#pragma once

#include "BenchFiles.h"
#include "BenchTools.h"

#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

namespace kelvarin::bench {

// One program run by a benchmark in a process of its own, so that its cpu
// time and peak memory are its own.
struct Measure {
    double seconds = 0;
    double cpuSeconds = 0; // user and system, which the machine's load does not inflate
    long peakKiB = 0;
    std::string folder; // where it wrote, for the modes that say so first
    std::string out;    // what it printed
};

inline double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// The folder of the running benchmark, so it can start its own modes.
inline std::string Here(const char* argv0) {
    const std::string self = argv0;
    const auto slash = self.rfind('/');
    return slash == std::string::npos ? "./" : self.substr(0, slash + 1);
}

// Runs a program with its stdout in `outPath` and measures it; a program that
// fails ends the benchmark with what it printed.
inline Measure Run(const std::vector<std::string>& argv, const std::string& outPath) {
    std::vector<char*> pointers;
    for (const std::string& arg : argv)
        pointers.push_back(const_cast<char*>(arg.c_str()));
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    const auto start = Clock::now();
    pid_t pid = 0;
    if (::posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ) != 0)
        Fail("cannot start " + argv[0]);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    Measure measure{SecondsSince(start),
                    Seconds(usage.ru_utime) + Seconds(usage.ru_stime),
                    usage.ru_maxrss,
                    {},
                    ReadWhole(outPath)};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Fail(argv[0] + (argv.size() > 1 ? " " + argv[1] : "") + " failed: " + measure.out);
    return measure;
}

} // namespace kelvarin::bench
