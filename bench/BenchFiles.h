#pragma once

#include "BenchTools.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kelvarin::bench {

// The plain files of `folder` (not "." entries), sorted by name.
inline std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.')
                names.emplace_back(entry->d_name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline void MakeFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        Fail("cannot create " + folder);
}

// Empties `folder` of its files and puts the deletions on disk.
inline void EmptyFolder(const std::string& folder) {
    for (const std::string& name : FilesIn(folder))
        ::unlink((folder + "/" + name).c_str());
    ::sync();
}

// Removes `folder` with its files and the files of its subfolders.
inline void RemoveFolder(const std::string& folder) {
    for (const std::string& name : FilesIn(folder)) {
        const std::string path = folder + "/" + name;
        if (::unlink(path.c_str()) != 0) {
            EmptyFolder(path);
            ::rmdir(path.c_str());
        }
    }
    ::rmdir(folder.c_str());
}

// Removes the run folders ("run-...") an earlier benchmark left under `base`.
inline void RemoveEarlierRuns(const std::string& base) {
    for (const std::string& name : FilesIn(base)) {
        if (name.starts_with("run-"))
            RemoveFolder(base + "/" + name);
    }
}

// A new, empty output folder for one measured run. Files are made in fresh
// folders rather than in emptied ones: ext4 passes over the inodes of files
// deleted in the last half minute when it makes new ones, which would charge
// the deletions of the run before to the run measured.
inline std::string FreshRunFolder(const std::string& base, const std::string& name, int run) {
    const std::string folder = base + "/run-" + std::to_string(run);
    MakeFolder(folder);
    MakeFolder(folder + "/" + name);
    return folder + "/" + name;
}

inline std::string ReadWhole(const std::string& path) {
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return bytes;
    struct stat info {};
    ::fstat(fd, &info);
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    ::close(fd);
    return bytes;
}

inline void WriteWhole(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        Fail("cannot write " + path);
    ::close(fd);
}

// Total bytes of the files of `folder` whose names end with `extension`.
inline std::uint64_t BytesOf(const std::string& folder, const std::string& extension) {
    std::uint64_t total = 0;
    for (const std::string& name : FilesIn(folder)) {
        struct stat info {};
        if (name.ends_with(extension) && ::stat((folder + "/" + name).c_str(), &info) == 0)
            total += static_cast<std::uint64_t>(info.st_size);
    }
    return total;
}

// The number of files of `folder` whose names end with `extension`.
inline std::size_t CountFiles(const std::string& folder, const std::string& extension) {
    const std::vector<std::string> names = FilesIn(folder);
    return static_cast<std::size_t>(
        std::count_if(names.begin(), names.end(),
                      [&](const std::string& name) { return name.ends_with(extension); }));
}

// Runs `argv` (found on PATH), its standard output into `outputPath` when
// given; the exit status, or -1 when it did not run or was killed.
inline int RunProgram(const std::vector<std::string>& argv, const std::string& outputPath = {}) {
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!outputPath.empty())
        posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0666);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace kelvarin::bench
